// The cloud-share entry points against the loopback relay servers: a dataset bound to area 2 sends its
// copy into the area, receives it back only when the local copy is not the newest, is refused while
// someone else holds the area, and the linkage wizard runs the receive at its start and the send at its
// end.
#include "ModalSteps.h"
#include "RelayServers.h"
#include "app/main.h"
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "tusin/xPzConv.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5TusinSettei.h"
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString b64(const QString& text) {
    return TxPzConv::EncodeBase64(cp932::encode(text));
}

const QString kTime = QStringLiteral("2026/12/10 12:34:56");

class CloudShareTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        testenv::CompanySpec company;
        company.title = QStringLiteral("共有テスト");
        company.kishu = QDate(2025, 4, 1);
        ds = e.root->addDataset(company, 1);
        ds.addAccount({QStringLiteral("1405"), QStringLiteral("144"), QStringLiteral("工具器具備品")});
        addAsset(QStringLiteral("1"), QStringLiteral("共有する資産"));
        // Data newer than 11.0.0 holds the cloud-share columns; the dataset is bound to area 2.
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=13, MINOR1=0, MINOR2=0"));
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=2"));
        if (servers.available()) {
            id = servers.addId();
            RelaySettings() = servers.settings;
            servers.clock(id, kTime);
        }
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER=:H, PASWORD=:P"), [&](fb::Query& q) {
            q.setString("H", id.isEmpty() ? QStringLiteral("nobody") : id);
            q.setString("P", QStringLiteral("gpw123"));
        });
        SystemDef.OPCODE = 10;
        SystemDef.OperatorName = QStringLiteral("担当");
        SystemDef.DataDir = ds.folder;
        loadAccInfo();
    }
    void TearDown() override {
        RelaySettings() = TRelaySettings();
        ConnectMode = 0;
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    }
    void loadAccInfo() {
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
        ASSERT_TRUE(e.dm->fnGetAccInfo());
        e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    }
    void addAsset(const QString& kanri, const QString& name) const {
        testenv::AssetSpec a;
        a.kanri = kanri;
        a.kcode = QStringLiteral("1405");
        a.name = name;
        ds.addAsset(a);
    }
    QString datasetText(const QString& sql) const {
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, sql);
        q.open();
        const QString v = q.eof() ? QString() : q.field(0).asString();
        q.close();
        t.commit();
        return v;
    }
    QString cloudTime() const {
        return datasetText(QStringLiteral("SELECT CAST(CLOUD_TIME AS VARCHAR(30)) FROM ACCDEF1 WHERE REC=1"))
            .left(19);
    }
    void setCloudTime(const QString& time) const {
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_TIME=CAST(:T AS TIMESTAMP)"),
                   [&](fb::Query& q) { q.setString("T", time); });
    }
    int assetCount() const { return datasetText(QStringLiteral("SELECT COUNT(*) FROM KS_SISAN")).toInt(); }
    // The request codes the service received, in order, from the index on.
    QStringList codes(qsizetype from = 0) {
        QStringList out;
        const QList<QByteArray> log = servers.log(id);
        for (qsizetype i = from; i < log.size(); ++i)
            out << QString::fromLatin1(log[i].mid(23, 4));
        return out;
    }
    QString remote(const QString& path) const { return servers.folder + QStringLiteral("/ftp/") + id + path; }
    // Area 2 as another site left it.
    void area(const QJsonObject& fields) {
        QJsonObject all{{"DataName", b64(QStringLiteral("共有テスト"))},
                        {"FiscalYear", "1"},
                        {"PeriodStart", "2025/04/01 00:00:00"},
                        {"PeriodEnd", "2026/03/31 00:00:00"},
                        {"SendTime", "2026/12/01 09:00:00"},
                        {"Password", "gpw123"},
                        {"Version", "1300"},
                        {"ShareStatus", "1"}};
        for (auto it = fields.begin(); it != fields.end(); ++it)
            all[it.key()] = it.value();
        servers.entry(id, "area", 2, all);
    }
    // The data selection with the dataset's row (list number 1) focused.
    static void openOnDataset(TDataSentakuBox& box) {
        box.KeepOnClose = true;
        box.SetParams({QStringLiteral("SyoriType=0")});
        box.Prepare(true);
        TPerfectGrid* g = box.Grid();
        int row = -1;
        for (int r = 0; r < g->RowCount() && row < 0; ++r)
            if (g->CellText(r, -1).toInt() == 1)
                row = r;
        ASSERT_GE(row, 0);
        g->SetCurrentCell(row, 0);
        box.SetFunctionKeys();
    }
    QString areaShareStatus() {
        return servers.state(id)["areas"].toArray()[1].toObject()["ShareStatus"].toString();
    }
    std::unique_ptr<TfmDataTusin> form() {
        auto d = std::make_unique<TfmDataTusin>();
        d->Relay = servers.settings;
        return d;
    }

    testenv::DmEnvironment e;
    RelayServers servers;
    testenv::Dataset ds;
    QString id;
    testenv::ScopedEnv computer{"QV_COMPUTER_NAME", QStringLiteral("PCA")};
};

// A receive road that breaks as a failing restore would.
class BrokenRoads : public TfmDataTusin {
public:
    int ReceiveData() override { throw std::runtime_error("restore broke"); }
    int SendData() override { throw std::runtime_error("backup broke"); }
};

// A dataset whose cloud time cannot be written.
class NoCloudTime : public TfmDataTusin {
public:
    bool UpdateCloudTime(const TDateTime&) override { throw std::runtime_error("database gone"); }
};

} // namespace

TEST(CloudShareNames, OperatorAndComputerTexts) {
    const struct {
        qint32 code;
        QString name, text;
    } operators[] = {
        {5, QStringLiteral("操作者"), QStringLiteral("   5操作者")},
        {123456, QStringLiteral("名"), QStringLiteral("3456名")},
        {10, QString(), QStringLiteral("  10")},
    };
    for (const auto& c : operators)
        EXPECT_EQ(TfmDataTusin::CloudOperatorText(c.code, c.name), c.text) << c.code;

    const struct {
        QString host, text;
    } computers[] = {
        {QStringLiteral("ABCDEFGHIJKLMNO"), QStringLiteral("ABCDEFGHIJKLMNO")},
        {QStringLiteral("ABCDEFGHIJKLMNOP"), QStringLiteral("ABCDEFGHIJKLMNO")},
        // Byte 15 would split the eighth character: it becomes a blank.
        {QStringLiteral("あいうえおかきく"), QStringLiteral("あいうえおかき ")},
    };
    for (const auto& c : computers) {
        testenv::ScopedEnv name("QV_COMPUTER_NAME", c.host);
        EXPECT_EQ(TfmDataTusin::CloudComputerText(), c.text) << c.host.toStdString();
    }

    testenv::ScopedEnv name("QV_COMPUTER_NAME", QStringLiteral("PC>?"));
    SystemDef.OPCODE = 7;
    SystemDef.OperatorName = QStringLiteral("佐藤");
    TfmDataTusin d;
    ASSERT_TRUE(d.PrepareClientNames());
    EXPECT_EQ(d.OperatorText, QStringLiteral("   7佐藤"));
    EXPECT_EQ(d.ComputerText, QStringLiteral("PC>?"));
    // "PC>?" is "UEM+Pw==" in Base64: both escapes show.
    EXPECT_EQ(d.ComputerQuery, QStringLiteral("UEM%2bPw%3d%3d"));
    EXPECT_EQ(d.OperatorQuery, EscapeQueryText(b64(QStringLiteral("   7佐藤"))));
}

TEST(CloudShareCurrency, LocalCopyIsCurrentOnlyAtTheAreasLastUpdate) {
    const TDateTime at = TDateTime::fromDateTime(2026, 12, 10, 12, 34, 56);
    const TDateTime earlier = TDateTime::fromDateTime(2026, 12, 10, 12, 34, 55);
    const QString me = QStringLiteral("  10担当"), pc = QStringLiteral("PCA");
    const struct {
        const char* name;
        QString last;
        TDateTime local;
        int mode;
        QString op, computer;
        bool current;
    } cases[] = {
        {"equal", QStringLiteral("2026/12/10 12:34:56"), at, 0, {}, {}, true},
        {"older local copy", QStringLiteral("2026/12/10 12:34:56"), earlier, 0, {}, {}, false},
        {"zero time", QStringLiteral("0000/00/00 00:00:00"), TDateTime(), 0, {}, {}, false},
        {"short time", QStringLiteral("2026/12/1"), at, 0, {}, {}, false},
        {"stand-alone ignores the holder", QStringLiteral("2026/12/10 12:34:56"), at, 0,
         QStringLiteral("   5他"), QStringLiteral("PCX"), true},
        {"held on another computer", QStringLiteral("2026/12/10 12:34:56"), at, 1, me, QStringLiteral("PCX"),
         false},
        {"held by another operator here", QStringLiteral("2026/12/10 12:34:56"), at, 1,
         QStringLiteral("   5他"), pc, false},
        {"held by us", QStringLiteral("2026/12/10 12:34:56"), at, 1, me, pc, true},
        {"held by nobody", QStringLiteral("2026/12/10 12:34:56"), at, 2, QStringLiteral("  "),
         QStringLiteral(" "), true},
    };
    for (const auto& c : cases) {
        TRelayServerEntry area;
        area.LastUpdateFull = c.last;
        area.UserOperator = c.op;
        area.UserComputer = c.computer;
        EXPECT_EQ(TfmDataTusin::IsCurrentCloudCopy(area, c.local, c.mode, me, pc), c.current) << c.name;
    }
}

TEST_F(CloudShareTest, SendStoresTheAreasTimeAndOnlyAnOlderCopyIsDownloaded) {
    SKIP_WITHOUT_RELAY(servers);
    auto d = form();
    ASSERT_EQ(d->CloudShareSend(ds.folder, QStringLiteral("終了処理"), 1), 0)
        << e.ui->messageTexts().join(u'\n').toStdString();
    // The area's information, its start of use, the information again before the upload, the completion.
    EXPECT_EQ(codes(), (QStringList{QStringLiteral("1725"), QStringLiteral("1833"), QStringLiteral("1725"),
                                    QStringLiteral("1823")}));
    EXPECT_TRUE(servers.log(id).first().contains("&sRendou=1 "));
    EXPECT_GT(QFileInfo(remote(QStringLiteral("/02/cplacc.wen"))).size(), 0);
    EXPECT_EQ(cloudTime(), QStringLiteral("2026-12-10 12:34:56"));
    EXPECT_EQ(servers.state(id)["areas"].toArray()[1].toObject()["SendTime"].toString(), kTime);
    EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());

    // The local copy is the area's newest: only the receive-complete notice goes.
    addAsset(QStringLiteral("2"), QStringLiteral("後から足した資産"));
    qsizetype before = servers.log(id).size();
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 0) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{QStringLiteral("1725"), QStringLiteral("1833")}));
    EXPECT_EQ(assetCount(), 2);

    // An older local copy (or one that never met the area) gets the area's copy back.
    area({{"SendTime", kTime}, {"ShareStatus", "1"}});
    for (const QString& local :
         {QStringLiteral("2026-12-10 12:34:55"), QStringLiteral("1899-12-30 00:00:00")}) {
        addAsset(QStringLiteral("3"), QStringLiteral("消える資産"));
        setCloudTime(local);
        servers.clock(id, QStringLiteral("2026/12/11 08:00:00"));
        e.ui->clear();
        before = servers.log(id).size();
        EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 0) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(codes(before), (QStringList{QStringLiteral("1725"), QStringLiteral("1833")}));
        EXPECT_EQ(assetCount(), 1) << local.toStdString();
        // The time of the receive's start request.
        EXPECT_EQ(cloudTime(), QStringLiteral("2026-12-11 08:00:00"));
        area({{"SendTime", kTime}, {"ShareStatus", "1"}});
    }
}

TEST_F(CloudShareTest, AnAreaWithoutAValidLastUpdateIsAlwaysDownloaded) {
    SKIP_WITHOUT_RELAY(servers);
    {
        auto d = form();
        ASSERT_EQ(d->CloudShareSend(ds.folder, QString(), 0), 0);
    }
    setCloudTime(QStringLiteral("2026-12-10 12:34:56"));
    area({{"SendTime", "0000/00/00 00:00:00"}, {"ShareStatus", "1"}});
    addAsset(QStringLiteral("2"), QStringLiteral("消える資産"));
    const qsizetype before = servers.log(id).size();
    auto d = form();
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 0), 0) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{QStringLiteral("1725"), QStringLiteral("1833")}));
    EXPECT_TRUE(servers.log(id)[before].contains("&sRendou=0 "));
    EXPECT_EQ(assetCount(), 1);
}

// The receive's start time becomes the dataset's cloud time: without a whole time nothing is received,
// and the area is given back.
TEST_F(CloudShareTest, AReceiveWithoutAWholeStartTimeStops) {
    SKIP_WITHOUT_RELAY(servers);
    area({{"SendTime", kTime}});
    setCloudTime(QStringLiteral("2026-12-01 08:00:00"));
    addAsset(QStringLiteral("2"), QStringLiteral("残る資産"));
    auto d = form();
    for (const QString& time : {QStringLiteral("2026/12/1"), QStringLiteral("2026/12/11 xx:yy:zz")}) {
        servers.fault(id, QStringLiteral("time"), time);
        e.ui->clear();
        const qsizetype before = servers.log(id).size();
        EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 1) << time.toStdString();
        EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(codes(before),
                  (QStringList{QStringLiteral("1725"), QStringLiteral("1833"), QStringLiteral("1730")}))
            << time.toStdString();
        EXPECT_EQ(servers.state(id)["areas"].toArray()[1].toObject()["ShareStatus"].toString(),
                  QStringLiteral("1"));
        EXPECT_EQ(assetCount(), 2);
        EXPECT_EQ(cloudTime(), QStringLiteral("2026-12-01 08:00:00"));
    }
}

TEST_F(CloudShareTest, AnAreaHeldElsewhereIsRefusedWithItsHolder) {
    SKIP_WITHOUT_RELAY(servers);
    setCloudTime(QStringLiteral("2026-12-01 08:00:00"));
    area({{"ShareStatus", "2"},
          {"UserOperator", b64(QStringLiteral("   5操作者"))},
          {"UserComputer", b64(QStringLiteral("PCX"))}});
    auto d = form();
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 1);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral(
                  "現在使用中のため選択できません。\r\nオペレータコード: [ 5 ]\r\nオペレータ名:     "
                  "[ 操作者 ]\r\nコンピュータ名:   [ PCX ]")});
    EXPECT_EQ(codes(), QStringList{QStringLiteral("1725")});

    // In client/server mode even a current copy is not current while another computer holds the area.
    setCloudTime(QStringLiteral("2026-12-01 09:00:00"));
    e.ui->clear();
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    ASSERT_TRUE(e.dm->fnGetAccInfo());
    ConnectMode = 1;
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 1);
    ConnectMode = 0;
    EXPECT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_EQ(codes(), (QStringList{QStringLiteral("1725"), QStringLiteral("1725")}));
    // Stand-alone, the same current copy only sends the notice.
    e.ui->clear();
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 1), 0);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes().last(), QStringLiteral("1833"));
}

TEST_F(CloudShareTest, GatesBeforeAnyTransfer) {
    SKIP_WITHOUT_RELAY(servers);
    auto d = form();
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 0), 1);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("設定された領域にはデータがありません。 ")});
    EXPECT_EQ(d->CloudShareSend(QString(), QString(), 0), 1);
    EXPECT_EQ(d->CloudShareReceiveToFolder(QString(), 0), 1);

    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=0"));
    loadAccInfo();
    e.ui->clear();
    EXPECT_EQ(d->CloudShareSend(ds.folder, QString(), 0), 1);
    EXPECT_EQ(d->CloudShareReceive(ds.folder, 0), 1);
    EXPECT_EQ(d->ReleaseCloudShareArea(ds.folder), 1);
    EXPECT_EQ(e.ui->messageTexts(),
              (QStringList{QStringLiteral("クラウドシェア領域が選択されていません。"),
                           QStringLiteral("クラウド領域を選択していません。"),
                           QStringLiteral("クラウドシェア領域が設定されていません。")}));
    EXPECT_FALSE(codes().contains(QStringLiteral("1833")));
}

TEST_F(CloudShareTest, ASendThatFailsAfterTakingTheAreaReleasesIt) {
    SKIP_WITHOUT_RELAY(servers);
    servers.fault(id, QStringLiteral("login"));
    auto d = form();
    EXPECT_EQ(d->CloudShareSend(ds.folder, QString(), 1), 1);
    EXPECT_EQ(codes(), (QStringList{QStringLiteral("1725"), QStringLiteral("1833"), QStringLiteral("1725"),
                                    QStringLiteral("1730")}));
    EXPECT_TRUE(servers.log(id).last().contains("&fShare=1"));
    EXPECT_EQ(servers.state(id)["areas"].toArray()[1].toObject()["ShareStatus"].toString(),
              QStringLiteral("1"));
}

TEST_F(CloudShareTest, AnExceptionInARoadIsAFailure) {
    SKIP_WITHOUT_RELAY(servers);
    area({});
    const struct {
        int kind;
        QString text;
    } cases[] = {
        {tkCloudSend,
         QStringLiteral(
             "クラウドシェアデータ送信処理中にエラーになりました。\r\nstd::runtime_error error , with "
             "message : backup broke")},
        {tkCloudReceive,
         QStringLiteral("クラウドシェアデータ受信処理中にエラーになりました。\r\nstd::runtime_error error , "
                        "with message : restore broke")},
        {tkCloudReceiveToFolder,
         QStringLiteral("クラウドシェアデータ受信処理中にエラーになりました。\r\nstd::runtime_error "
                        "error , with message : restore broke")},
    };
    for (const auto& c : cases) {
        BrokenRoads d;
        d.Relay = servers.settings;
        e.ui->clear();
        const int result = c.kind == tkCloudSend      ? d.CloudShareSend(ds.folder, QString(), 1)
                           : c.kind == tkCloudReceive ? d.CloudShareReceive(ds.folder, 1)
                                                      : d.CloudShareReceiveToFolder(ds.folder, 0);
        EXPECT_EQ(result, 1) << c.kind;
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_FALSE(e.dm->IBDatabaseDAT.isConnected());
    }
}

// An exception in a step with the status service names the step, and the area taken is given back.
TEST_F(CloudShareTest, AnExceptionInAStepNamesTheStepAndFreesTheArea) {
    SKIP_WITHOUT_RELAY(servers);
    {
        auto d = form();
        ASSERT_EQ(d->CloudShareSend(ds.folder, QString(), 0), 0);
    }
    area({{"SendTime", kTime}, {"ShareStatus", "1"}});
    // An older local copy, so that the receive downloads the area's.
    setCloudTime(QStringLiteral("2026-01-01 00:00:00"));
    const struct {
        bool send;
        QString text;
    } cases[] = {{true, QStringLiteral("　\r\n送信開始処理エラー\r\n ")},
                 {false, QStringLiteral("　\r\n受信完了処理エラー\r\n ")}};
    for (const auto& c : cases) {
        NoCloudTime d;
        d.Relay = servers.settings;
        e.ui->clear();
        const qsizetype before = servers.log(id).size();
        EXPECT_EQ(c.send ? d.CloudShareSend(ds.folder, QString(), 1) : d.CloudShareReceive(ds.folder, 1), 1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_EQ(codes(before), (QStringList{"1725", "1833", "1730"})) << c.send;
        EXPECT_EQ(areaShareStatus(), QStringLiteral("1"));
    }
}

TEST_F(CloudShareTest, AreaCopyIsReceivedIntoTheWorkAreaAndTheAreaReleased) {
    SKIP_WITHOUT_RELAY(servers);
    {
        auto d = form();
        ASSERT_EQ(d->CloudShareSend(ds.folder, QString(), 0), 0);
    }
    // Our own hold counts: the copy would miss the work in progress.
    auto d = form();
    EXPECT_EQ(d->CloudShareReceiveToFolder(ds.folder, 0), 1);
    EXPECT_TRUE(e.ui->messageTexts().value(0).startsWith(QStringLiteral("現在使用中のため選択できません。")));

    area({{"SendTime", kTime}, {"ShareStatus", "1"}});
    e.ui->clear();
    EXPECT_EQ(d->CloudShareReceiveToFolder(ds.folder, 0), 0)
        << e.ui->messageTexts().join(u'\n').toStdString();
    const QString receive = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/receive");
    EXPECT_EQ(d->PasteReceiveFolder, receive);
    EXPECT_TRUE(QFileInfo(receive + QStringLiteral("/placc.fdb")).isFile());
    const qsizetype before = servers.log(id).size();
    EXPECT_EQ(d->ReleaseCloudShareArea(ds.folder), 0);
    EXPECT_EQ(codes(before), QStringList{QStringLiteral("1730")});
    EXPECT_EQ(servers.state(id)["areas"].toArray()[1].toObject()["ShareStatus"].toString(),
              QStringLiteral("1"));
    // The local dataset itself was left alone.
    EXPECT_EQ(cloudTime(), QStringLiteral("2026-12-10 12:34:56"));
}

TEST_F(CloudShareTest, TheWizardReceivesAtItsStartAndSendsAtItsEnd) {
    SKIP_WITHOUT_RELAY(servers);
    testenv::registerAccountingProduct();
    testenv::ScopedEnv programDir{"QV_PROGRAM_DIR", testenv::buildDir() + QStringLiteral("/bin")};
    area({{"SendTime", kTime}});
    {
        // Another site's copy in the area.
        auto d = form();
        ASSERT_EQ(d->CloudShareSend(ds.folder, QString(), 0), 0);
    }
    area({{"SendTime", kTime}, {"ShareStatus", "1"}});
    setCloudTime(QStringLiteral("2026-01-01 00:00:00"));
    addAsset(QStringLiteral("2"), QStringLiteral("消える資産"));
    loadAccInfo();
    qsizetype before = servers.log(id).size();

    TForm1 wizard;
    EXPECT_EQ(wizard.AcquireSharedData(), 1) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{QStringLiteral("1725"), QStringLiteral("1833")}));
    EXPECT_TRUE(servers.log(id)[before].contains("&sRendou=1 "));
    EXPECT_EQ(assetCount(), 1);

    addAsset(QStringLiteral("4"), QStringLiteral("ウィザード中に足した資産"));
    servers.clock(id, QStringLiteral("2026/12/12 10:00:00"));
    before = servers.log(id).size();
    EXPECT_EQ(wizard.ReleaseSharedData(), 1) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{QStringLiteral("1725"), QStringLiteral("1833"),
                                          QStringLiteral("1725"), QStringLiteral("1823")}));
    EXPECT_EQ(cloudTime(), QStringLiteral("2026-12-12 10:00:00"));
    EXPECT_EQ(servers.state(id)["areas"].toArray()[1].toObject()["SendTime"].toString(),
              QStringLiteral("2026/12/12 10:00:00"));
}

// The data list's ｸﾗｳﾄﾞ button: the cloud-share settings of the focused dataset open, a free area is picked
// from the served list, the dataset is sent there at once and its row is marked as shared.
TEST_F(CloudShareTest, TheDataListsCloudButtonBindsTheDatasetAndSendsItToAFreeArea) {
    SKIP_WITHOUT_RELAY(servers);
    // The settings dialog takes a pair ID of exactly twelve characters.
    const QString relayId = id.leftJustified(12, u'0').left(12);
    servers.control({{"cmd", "add"}, {"id", relayId}});
    servers.clock(relayId, kTime);
    id = relayId;
    ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=0, WEB_HOLDER=:H"),
               [&](fb::Query& q) { q.setString("H", relayId); });
    TDataSentakuBox box;
    ASSERT_NO_FATAL_FAILURE(openOnDataset(box));

    bool picked = false;
    whenReady([&] {
        auto* settings = visibleTopLevel<TfrmTusinSettei>();
        if (!settings)
            return false;
        settings->RadioButton1()->setChecked(true);
        // The area list opens modally from the button; row 3 is free.
        whenReady([&] {
            auto* list = visibleTopLevel<TfmDataTusin>();
            if (!list)
                return false;
            list->PerfectGrid1()->SetCurrentCell(2, 0);
            list->F1Click(TfmDataTusin::kF12);
            picked = true;
            return true;
        });
        settings->btnKyouyu()->click();
        return true;
    });
    const qsizetype before = servers.log(id).size();
    box.btnCloudShareClick();
    EXPECT_TRUE(picked);
    // The area list, then the send: its start, the area taken, its end.
    EXPECT_EQ(codes(before), (QStringList{"1725", "1725", "1833", "1725", "1823"}))
        << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(e.ui->messageTexts().contains(
        QStringLiteral("お手元のデータをアップロードしてクラウドシェアを開始します。")));
    EXPECT_GT(QFileInfo(remote(QStringLiteral("/03/cplacc.wen"))).size(), 0);
    EXPECT_EQ(datasetText(QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1")), QStringLiteral("3"));
    EXPECT_EQ(IniFile(ds.folder + QStringLiteral("/placc.ini"), false)
                  .readString(QStringLiteral("DATAINFO"), QStringLiteral("CLOUD_SHARE"), QString()),
              QStringLiteral("1"));
}

// Copying (F2) and saving (F6) a cloud-share dataset first bring the area's newest copy, which takes the
// area; neither works on the area, so it is free again for the other sites.
TEST_F(CloudShareTest, CopyAndSaveOfACloudShareDatasetLeaveTheAreaFree) {
    SKIP_WITHOUT_RELAY(servers);
    // The local copy is the area's newest, at the service's time.
    area({{"SendTime", kTime}});
    setCloudTime(QStringLiteral("2026-12-10 12:34:56"));
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET CLOUD=1 WHERE REC=1"));
    TDataSentakuBox box;
    ASSERT_NO_FATAL_FAILURE(openOnDataset(box));

    qsizetype before = servers.log(id).size();
    box.F2Click();
    EXPECT_TRUE(box.CopyPending) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{"1725", "1833", "1730"}));
    EXPECT_EQ(areaShareStatus(), QStringLiteral("1"));
    box.ESCClick();

    before = servers.log(id).size();
    EXPECT_EQ(box.SaveData(e.env.path() + QStringLiteral("/backups")), 1)
        << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(codes(before), (QStringList{"1725", "1833", "1730"}));
    EXPECT_EQ(areaShareStatus(), QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo(e.env.path() + QStringLiteral("/backups/placc.fbk")).isFile());
}
