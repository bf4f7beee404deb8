// Sending and receiving a dataset through the loopback relay servers: one data root sends into a relay
// folder, a second data root of the same communication pair receives it and restores it over its own
// dataset.
#include "ModalSteps.h"
#include "RelayServers.h"
#include "controls/xPlButton.h"
#include "controls/z5MessageDlg.h"
#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "tusin/xPzConv.h"
#include "tusin/z5DataTusin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <gtest/gtest.h>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

class RelayTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        testenv::CompanySpec company;
        company.title = QStringLiteral("送信テスト");
        company.kishu = QDate(2025, 4, 1);
        ds = e.root->addDataset(company, 1);
        ds.addAccount({QStringLiteral("1405"), QStringLiteral("144"), QStringLiteral("工具器具備品")});
        testenv::AssetSpec a;
        a.kanri = QStringLiteral("1");
        a.kcode = QStringLiteral("1405");
        a.name = QStringLiteral("送る資産");
        a.method = 1;
        a.acquired = TDateTime::fromDate(2022, 4, 1);
        a.lifeYears = 5;
        a.cost = a.base = Money(500000);
        a.rate = Money::fromString(QStringLiteral("0.2"));
        a.ordinary = a.total = Money(100000);
        a.bookValueEnd = Money(400000);
        ds.addAsset(a);
        if (servers.available()) {
            id = servers.addId();
            RelaySettings() = servers.settings;
        }
        setPair(ds, id.isEmpty() ? QStringLiteral("nobody") : id, QStringLiteral("gpw123"));
        open(ds);
    }
    void TearDown() override {
        RelaySettings() = TRelaySettings();
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    }
    static void setPair(const testenv::Dataset& d, const QString& holder, const QString& password) {
        d.execute(QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER=:H, PASWORD=:P"), [&](fb::Query& q) {
            q.setString("H", holder);
            q.setString("P", password);
        });
    }
    void open(const testenv::Dataset& d) {
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        SystemDef.DataDir = d.folder;
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), d.folder, 1));
        ASSERT_TRUE(e.dm->fnGetAccInfo());
    }
    // A dialog of the kind whose relay list was filled, on the given row.
    std::unique_ptr<TfmDataTusin> listed(int kind, int row) {
        auto d = std::make_unique<TfmDataTusin>();
        d->SyoriType = kind;
        d->Relay = servers.settings;
        d->BackupName = QStringLiteral("placc.fbk");
        EXPECT_EQ(d->StartOperation(), -1);
        d->PerfectGrid1()->SetCurrentCell(row, 0);
        return d;
    }
    QString remote(const QString& path) const { return servers.folder + QStringLiteral("/ftp/") + id + path; }
    QList<QByteArray> requests(const char* code) {
        QList<QByteArray> out;
        for (const QByteArray& r : servers.log(id))
            if (r.startsWith(QByteArray("GET /request.php?Scode=") + code))
                out << r.left(r.indexOf(" HTTP/"));
        return out;
    }
    // The export runs in a process of its own: this process lets go of the system database meanwhile.
    int exportXml(const QString& root, const QString& folder, const QString& out) {
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        if (e.dm->IBTransactionDEF.isActive())
            e.dm->IBTransactionDEF.commit();
        e.dm->IBDatabaseDEF.detach();
        const auto back = qScopeGuard([this] { e.connectSystem(); });
        QProcess p;
        p.start(testenv::buildDir() + QStringLiteral("/bin/export_dataset"), {root, folder, out});
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            ADD_FAILURE() << p.readAllStandardError().toStdString();
        return p.exitCode();
    }

    // A dialog of a cloud-share kind on area 3 of the open dataset, with the areas read from the service.
    std::unique_ptr<TfmDataTusin> cloud(int kind) {
        AccInf.CLOUD_LINE = 3;
        auto d = std::make_unique<TfmDataTusin>();
        d->SyoriType = kind;
        d->Relay = servers.settings;
        d->DataFolder = SystemDef.DataDir;
        d->BackupName = QStringLiteral("cplacc.fbk");
        EXPECT_TRUE(d->RequestServerInfo());
        return d;
    }
    // The open dataset sent into folder 3.
    void sendToFolder3() {
        auto d = listed(tkSend, 2);
        e.ui->clear();
        e.ui->queueAnswer(ui::mrYes);
        ASSERT_EQ(d->SendData(), 0) << e.ui->messageTexts().join(u'\n').toStdString();
    }
    // A dataset of a second site with the same pair, opened.
    testenv::Dataset siteB(const QString& name) {
        rootB = std::make_unique<testenv::DataRoot>(e.env.path() + QStringLiteral("/roots/b"));
        testenv::CompanySpec other;
        other.name = name;
        other.title = QStringLiteral("受信先");
        other.kishu = QDate(2025, 4, 1);
        const testenv::Dataset d = rootB->addDataset(other, 1);
        setPair(d, id, QStringLiteral("gpw123"));
        return d;
    }
    static QString text(const testenv::Dataset& d, const QString& sql) {
        auto db = d.connect();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t, sql);
        q.open();
        return q.eof() ? QString() : q.field(0).asString().trimmed();
    }
    static void setMerge(const testenv::Dataset& d, const QString& kind, const QString& count) {
        d.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"), kind);
        d.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"), count);
    }
    static QStringList merge(const testenv::Dataset& d) {
        return {text(d, QStringLiteral("SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='合算データ区分'")),
                text(d, QStringLiteral("SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='合算データ数'"))};
    }

    testenv::DmEnvironment e;
    RelayServers servers;
    testenv::Dataset ds;
    QString id;
    std::unique_ptr<testenv::DataRoot> rootB;
};

} // namespace

TEST_F(RelayTransferTest, OneSiteSendsAFolderAndTheOtherReceivesTheSameData) {
    SKIP_WITHOUT_RELAY(servers);
    // Site A sends into folder 3.
    {
        auto d = listed(tkSend, 2);
        e.ui->clear();
        e.ui->queueAnswer(ui::mrYes);
        EXPECT_EQ(d->SendData(), 0);
        EXPECT_EQ(e.ui->messageTexts(),
                  (QStringList{framed(QStringLiteral("中継サーバーの No.3 フォルダに、現在利用中のデータを送信します。実行しますか？")),
                               framed(QStringLiteral("データ送信処理が終了しました。"))}));
        EXPECT_EQ(d->PerfectGrid1()->CellText(2, 1), QStringLiteral("送信テスト"));
        EXPECT_EQ(d->PerfectGrid1()->CellText(2, 5), QStringLiteral("-"));
    }
    EXPECT_GT(QFileInfo(remote("/03/placc.wen")).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(remote("/03/placc.wenbak")));
    EXPECT_TRUE(QDir(PackageTempFolder() + QStringLiteral("/ComS")).entryList(QDir::Files).isEmpty());
    const QList<QByteArray> sent = requests("1820");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], "GET /request.php?Scode=1820&sSno=SER-0001&sFName=" + id.toLatin1() + "&fSname=03&fSg=" +
                           RelayNameValue(QStringLiteral("送信テスト")) +
                           "&fNe=1&fKis=202504010000&fKie=202603310000&fPa=gpw123&fYobi=0000");

    const QString xmlA = e.env.path() + QStringLiteral("/a.xml");
    e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    ASSERT_EQ(exportXml(e.root->root(), ds.folder, xmlA), 0);

    // Site B of the same pair receives folder 3 over a dataset of its own.
    testenv::DataRoot rootB(e.env.path() + QStringLiteral("/roots/b"));
    testenv::CompanySpec other;
    other.name = QStringLiteral("株式会社テスト");
    other.title = QStringLiteral("受信先");
    other.kishu = QDate(2025, 4, 1);
    const testenv::Dataset dsB = rootB.addDataset(other, 1);
    setPair(dsB, id, QStringLiteral("gpw123"));
    open(dsB);
    {
        auto d = listed(tkReceive, 2);
        e.ui->clear();
        e.ui->queueAnswer(ui::mrYes); // start
        e.ui->queueAnswer(ui::mrOk);  // the comparison's differences agreed to
        const int result = d->ReceiveData();
        EXPECT_EQ(result, 0) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(d->Received, 1);
        EXPECT_FALSE(d->PerfectGrid1()->CellText(2, 5).isEmpty());
        EXPECT_NE(d->PerfectGrid1()->CellText(2, 5), QStringLiteral("-"));
    }
    EXPECT_EQ(requests("1830").size(), 1);
    if (e.dm->IBDatabaseDAT.isConnected())
        e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    const QString xmlB = e.env.path() + QStringLiteral("/b.xml");
    ASSERT_EQ(exportXml(rootB.root(), dsB.folder, xmlB), 0);
    QFile a(xmlA), b(xmlB);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(RelayTransferTest, GatesRefuseBeforeAnyTraffic) {
    SKIP_WITHOUT_RELAY(servers);
    servers.entry(id, "folder", 2,
                  {{"DataName", TxPzConv::EncodeBase64(cp932::encode(QStringLiteral("他社")))}, {"Password", "other"}});
    auto d = listed(tkSend, 2);
    const qsizetype listedRequests = servers.log(id).size();
    const struct {
        int kind, row;
        QString text;
    } cases[] = {
        {tkSend, 2, framed(QStringLiteral("中継サーバーの No.3 フォルダに、現在利用中のデータを送信します。実行しますか？"))},
        {tkReceive, 0, framed(QStringLiteral("選択したフォルダには、データは存在しません。"))},
        {tkReceive, 1, framed(QStringLiteral("選択したデータと現在利用中のデータではパスワードが一致しません。"))},
    };
    for (const auto& c : cases) {
        e.ui->clear();
        e.ui->queueAnswer(ui::mrNo);
        d->SyoriType = c.kind;
        d->PerfectGrid1()->SetCurrentCell(c.row, 0);
        EXPECT_EQ(c.kind == tkSend ? d->SendData() : d->ReceiveData(), 1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
    }
    EXPECT_EQ(servers.log(id).size(), listedRequests);
    EXPECT_FALSE(QFileInfo::exists(PackageTempFolder() + QStringLiteral("/ComS/placc.fbk")));
    EXPECT_TRUE(QDir(remote("/03")).entryList(QDir::Files).isEmpty());
}

TEST_F(RelayTransferTest, ACloudSendReleasesTheAreaOnlyOnceItHasTakenIt) {
    SKIP_WITHOUT_RELAY(servers);
    const QString work = PackageTempFolder() + QStringLiteral("/ComS");
    const auto clean = qScopeGuard([&] { QDir(work).removeRecursively(); });
    // Packing fails on an old archive stage that cannot be deleted: the area taken at the start is freed.
    QDir(work).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(work + QStringLiteral("/cplacc.lzh/kept")));
    {
        auto d = cloud(tkCloudSend);
        e.ui->clear();
        EXPECT_EQ(d->SendData(), 1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("旧圧縮ファイルが削除出来ません。")});
    }
    EXPECT_EQ(requests("1833").size(), 1);
    EXPECT_EQ(requests("1730"), QList<QByteArray>{"GET /request.php?Scode=1730&sSno=SER-0001&sFName=" + id.toLatin1() +
                                                  "&fSname=03&fShare=1&fOpName=&fPcName="});
    EXPECT_TRUE(requests("1823").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(work + QStringLiteral("/cplacc.fbk")));
    EXPECT_TRUE(QDir(remote("/03")).entryList(QDir::Files).isEmpty());

    // The service is down at the start: no work folder, no backup, nothing to release.
    QDir(work).removeRecursively();
    {
        auto d = cloud(tkCloudSend);
        servers.fault(id, QStringLiteral("down"));
        e.ui->clear();
        EXPECT_EQ(d->SendData(), 1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{framed(QStringLiteral("サーバーに接続出来ません。(送信開始処理)"))});
    }
    EXPECT_FALSE(QDir(work).exists());
    EXPECT_EQ(requests("1833").size(), 2);
    EXPECT_EQ(requests("1730").size(), 1);
}

TEST_F(RelayTransferTest, ACloudReceiveFreesTheAreaAfterAFailedDownload) {
    SKIP_WITHOUT_RELAY(servers);
    servers.entry(id, "area", 3,
                  {{"DataName", TxPzConv::EncodeBase64(cp932::encode(QStringLiteral("送信テスト")))},
                   {"ShareStatus", "1"},
                   {"Password", "gpw123"}});
    QByteArray package(4 << 20, '\0');
    for (qsizetype i = 0; i < package.size(); ++i)
        package[i] = char(i * 7919 >> 3);
    e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    const struct {
        int kind;
        const char* fault; // empty: the package is missing
        QString text;
    } cases[] = {
        {tkCloudReceive, "dropdata", framed(QStringLiteral("データの受信に失敗しました。"))},
        {tkCloudReceiveToFolder, "", framed(QStringLiteral("ダウンロードファイルが見つかりません。"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        QFile::remove(remote("/03/cplacc.wen"));
        if (*c.fault) {
            QFile f(remote("/03/cplacc.wen"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(package) == package.size());
        }
        auto d = cloud(c.kind);
        servers.control({{"cmd", "clear"}, {"id", id}});
        if (*c.fault)
            servers.fault(id, QString::fromLatin1(c.fault));
        const qsizetype before = servers.log(id).size();
        e.ui->clear();
        EXPECT_EQ(d->ReceiveData(), 1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_EQ(d->Received, 0);
        QList<QByteArray> codes;
        for (const QByteArray& r : servers.log(id).mid(before))
            codes << r.mid(23, 4);
        EXPECT_EQ(codes, (QList<QByteArray>{"1833", "1730"}));
        EXPECT_FALSE(QFileInfo::exists(PackageTempFolder() + QStringLiteral("/ComR/cplacc.wen")));
    }
    EXPECT_EQ(text(ds, QStringLiteral("SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1")), QStringLiteral("送信テスト"));
}

TEST_F(RelayTransferTest, ACloudPackageIsFetchedIntoTheWorkAreaWithNothingReportedAfterwards) {
    SKIP_WITHOUT_RELAY(servers);
    {
        auto d = cloud(tkCloudSend);
        e.ui->clear();
        ASSERT_EQ(d->SendData(), 0) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_TRUE(e.ui->shown().empty());
    }
    EXPECT_GT(QFileInfo(remote("/03/cplacc.wen")).size(), 0);
    EXPECT_EQ(requests("1823").size(), 1);
    EXPECT_TRUE(requests("1730").isEmpty());
    e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    const QString fetched = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/receive/") + DataFileName;
    QFile::remove(fetched);
    auto d = cloud(tkCloudReceiveToFolder);
    const qsizetype before = servers.log(id).size();
    e.ui->clear();
    EXPECT_EQ(d->ReceiveData(), 0) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(e.ui->shown().empty());
    QList<QByteArray> codes;
    for (const QByteArray& r : servers.log(id).mid(before))
        codes << r.mid(23, 4);
    EXPECT_EQ(codes, QList<QByteArray>{"1833"});
    ASSERT_TRUE(QFileInfo::exists(fetched));
    testenv::Dataset copy;
    copy.database = fetched;
    EXPECT_EQ(text(copy, QStringLiteral("SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1")), QStringLiteral("送信テスト"));
}

TEST_F(RelayTransferTest, AComparisonNotAgreedToLeavesTheTargetAlone) {
    SKIP_WITHOUT_RELAY(servers);
    sendToFolder3();
    const testenv::Dataset dsB = siteB(QStringLiteral("別の会社"));
    open(dsB);
    auto d = listed(tkReceive, 2);
    QString caption;
    whenReady([&] {
        auto* box = visibleTopLevel<TMessageBox>();
        if (!box)
            return false;
        caption = box->windowTitle();
        box->findChild<TxPlButton*>(QStringLiteral("btnCancel"))->click();
        return true;
    });
    e.ui->clear();
    e.ui->queueAnswer(ui::mrYes);
    EXPECT_EQ(d->ReceiveData(), 1);
    EXPECT_EQ(caption, QStringLiteral("データ照合チェックの結果"));
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{framed(QStringLiteral("受信処理を開始します。現在利用中のデータが中継サーバーのデータで上書きされます。実行しますか？"))});
    EXPECT_EQ(d->Received, 0);
    EXPECT_TRUE(requests("1830").isEmpty());
    if (e.dm->IBDatabaseDAT.isConnected())
        e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    EXPECT_EQ(text(dsB, QStringLiteral("SELECT SHOUGOU || '/' || ENTTEXT FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("別の会社/受信先"));
}

TEST_F(RelayTransferTest, AReceiveKeepsTheLocalMergeSettingsStandAloneAndClearsThemOnTheServer) {
    SKIP_WITHOUT_RELAY(servers);
    setMerge(ds, QStringLiteral("1"), QStringLiteral("5"));
    open(ds);
    sendToFolder3();
    const testenv::Dataset dsB = siteB(QStringLiteral("株式会社テスト"));
    setMerge(dsB, QStringLiteral("1"), QStringLiteral("3"));
    const auto receive = [&] {
        auto d = listed(tkReceive, 2);
        e.ui->clear();
        e.ui->queueAnswer(ui::mrYes);
        EXPECT_EQ(d->ReceiveData(), 0) << e.ui->messageTexts().join(u'\n').toStdString();
        EXPECT_EQ(d->Received, 1);
        d.reset();
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
    };
    open(dsB);
    receive();
    EXPECT_EQ(text(dsB, QStringLiteral("SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1")), QStringLiteral("送信テスト"));
    EXPECT_EQ(merge(dsB), (QStringList{"1", "3"}));
    // The received dataset is restored with its indexes working, as it was sent.
    EXPECT_EQ(text(dsB, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_INACTIVE = 1")),
              QStringLiteral("0"));
    EXPECT_NE(text(dsB, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$SYSTEM_FLAG = 0")),
              QStringLiteral("0"));

    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    const auto back = qScopeGuard([&] {
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        e.dm->IBDatabaseDEF.detach();
        ConnectMode = 0;
        SystemDef.HOSTNAME.clear();
        e.connectSystem();
    });
    ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    SystemDef.DataDir = dsB.folder;
    ASSERT_TRUE(e.dm->fnAccDatConnected(server, dsB.folder, 1));
    ASSERT_TRUE(e.dm->fnGetAccInfo());
    receive();
    EXPECT_EQ(merge(dsB), (QStringList{"0", "0"}));
}
