// The communication dialog: started by name it lists the relay server's folders, deletes and releases
// relay data through the status service, builds and opens the data package, writes the received
// dataset's list row and keeps the dataset's bookkeeping.
#include "ModalSteps.h"
#include "RelayServers.h"
#include "controls/PerfectGrid.h"
#include "controls/xEdit.h"
#include "controls/xPlButton.h"
#include "controls/z5MessageDlg.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/unlha32.h"
#include "tusin/xPzConv.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5TusinSetteiPas.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString b64(const QString& text) {
    return TxPzConv::EncodeBase64(cp932::encode(text));
}

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

QStringList rowTexts(const TPerfectGrid* g, int row, int cols) {
    QStringList out;
    for (int c = 1; c < cols; ++c)
        out << g->CellText(row, c);
    return out;
}

class DataTusinTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        // The operator's list colours, as a logon loads them.
        SystemDef.ColHeaderColor = SysDefColorDefaults.ColHeaderColor;
        SystemDef.ClientColor = SysDefColorDefaults.ClientColor;
        SystemDef.ClientColor1 = SysDefColorDefaults.ClientColor1;
        SystemDef.ClientColor2 = SysDefColorDefaults.ClientColor2;
        SystemDef.ActiveColor = SysDefColorDefaults.ActiveColor;
        testenv::CompanySpec company;
        company.title = QStringLiteral("テスト一");
        company.kishu = QDate(2025, 4, 1);
        ds = e.root->addDataset(company, 1);
        if (servers.available()) {
            id = servers.addId();
            RelaySettings() = servers.settings;
        }
        setPair(id.isEmpty() ? QStringLiteral("nobody") : id, QStringLiteral("gpw123"));
        SystemDef.DataDir = ds.folder;
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 1));
        ASSERT_TRUE(e.dm->fnGetAccInfo());
    }
    void TearDown() override {
        RelaySettings() = TRelaySettings();
        if (e.dm->IBDatabaseDAT.isConnected())
            e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    }
    void setPair(const QString& holder, const QString& password) const {
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET WEB_HOLDER=:H, PASWORD=:P"), [&](fb::Query& q) {
            q.setString("H", holder);
            q.setString("P", password);
        });
    }
    // The first value of a query on an attachment of its own.
    static QString firstValue(fb::Database& db, const QString& sql) {
        fb::Transaction t(db);
        fb::Query q(t, sql);
        q.open();
        const QString v = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        t.commit();
        return v;
    }
    QString systemText(const QString& sql) const { return firstValue(*e.root->connectSystem(), sql); }
    QString datasetText(const QString& sql) const { return firstValue(*ds.connect(), sql); }
    QList<QByteArray> firstLines() {
        QList<QByteArray> out;
        for (const QByteArray& r : servers.log(id))
            out << r.left(r.indexOf(' ', 4));
        return out;
    }
    // A dialog of the kind whose list was filled from the relay servers.
    std::unique_ptr<TfmDataTusin> listed(int kind) {
        auto d = std::make_unique<TfmDataTusin>();
        d->SyoriType = kind;
        d->DataFolder = ds.folder;
        d->Relay = servers.settings;
        EXPECT_EQ(d->StartOperation(), -1);
        return d;
    }
    QJsonObject folderEntry(const QString& name) const {
        return {{"DataName", b64(name)},
                {"FiscalYear", "5"},
                {"PeriodStart", "2025/04/01 00:00:00"},
                {"PeriodEnd", "2026/03/31 00:00:00"},
                {"SendTime", "2026/01/02 03:04:05"},
                {"Password", "abc123"},
                {"Version", "1101"},
                {"ReceiveTime", "2026/01/03 10:20:30"}};
    }

    testenv::DmEnvironment e;
    RelayServers servers;
    testenv::Dataset ds;
    QString id;
};

// ---- the dialog started by name ----------------------------------------------------------------------

TEST_F(DataTusinTest, StartedByNameListsTheRelayFolders) {
    SKIP_WITHOUT_RELAY(servers);
    servers.entry(id, "folder", 1, folderEntry(QStringLiteral("株式会社テスト")));
    QJsonObject third = folderEntry(QStringLiteral("第三"));
    third.insert("Version", "1300");
    third.insert("ReceiveTime", "2025/12/31 00:00:00"); // before the send: no receive time
    servers.entry(id, "folder", 3, third);

    QStringList row0, row1, row2, headers;
    QString title;
    whenReady([&] {
        auto* d = visibleTopLevel<TfmDataTusin>();
        if (!d || d->StartPending)
            return false;
        const TPerfectGrid* g = d->PerfectGrid1();
        title = d->windowTitle();
        row0 = rowTexts(g, 0, 7);
        row1 = rowTexts(g, 1, 7);
        row2 = rowTexts(g, 2, 7);
        for (int c = 0; c < 7; ++c)
            headers << g->CellText(-1, c);
        QDir().mkpath(QStringLiteral("/tmp/i25"));
        d->grab().save(QStringLiteral("/tmp/i25/relay-list.png"));
        d->keyButton(TfmDataTusin::kEsc)->click();
        return true;
    });
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QStringLiteral("SyoriType=1")), 0);
    EXPECT_EQ(title, QStringLiteral("データ送信"));
    EXPECT_EQ(headers,
              (QStringList{"No.", "データ名", "会計年度", "会計期間", "送信日時", "受信日時", "バージョン"}));
    EXPECT_EQ(row0, (QStringList{"株式会社テスト", "5期", "2025/04/01 ～ 2026/03/31", "2026/01/02 03:04",
                                 "2026/01/03 10:20", "19消改版"}));
    EXPECT_EQ(row1, (QStringList{"", "", "", "", "", ""}));
    EXPECT_EQ(row2,
              (QStringList{"第三", "5期", "2025/04/01 ～ 2026/03/31", "2026/01/02 03:04", "-", "21版"}));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(firstLines(),
              QList<QByteArray>{"GET /request.php?Scode=1720&sSno=SER-0001&sFName=" + id.toLatin1()});
}

TEST_F(DataTusinTest, AMissingIdOrPasswordRefusesBeforeAnyRequest) {
    const struct {
        QString holder, password, text;
    } cases[] = {
        {QStringLiteral(" "), QStringLiteral("gpw123"),
         framed(QStringLiteral("通信IDが設定されてません。通信設定で設定して下さい。"))},
        {QStringLiteral("someone"), QStringLiteral("  "),
         framed(QStringLiteral("パスワードが設定されてません。通信設定で設定して下さい。"))},
    };
    for (const auto& c : cases) {
        e.ui->clear();
        AccInf.WEB_HOLDER = c.holder;
        AccInf.PASWORD = c.password;
        for (const char* kind : {"SyoriType=1", "SyoriType=2"}) {
            EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QString::fromLatin1(kind)), -1);
        }
        EXPECT_EQ(e.ui->messageTexts(), (QStringList{c.text, c.text}));
        EXPECT_EQ(e.ui->shown().front().message.kind, ui::MsgKind::Warning);
    }
    // A cloud-shared dataset never receives through the relay list, whatever its pair.
    e.ui->clear();
    AccInf.CLOUD_LINE = 3;
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QStringLiteral("SyoriType=2")), -1);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("クラウドシェアデータでデータ受信は実行できません。")});
}

TEST_F(DataTusinTest, StatusServiceDownStillOpensOnTheLocalList) {
    SKIP_WITHOUT_RELAY(servers);
    servers.entry(id, "folder", 1, folderEntry(QStringLiteral("残らない")));
    servers.fault(id, QStringLiteral("down"));
    int rows = -1;
    bool f5 = true, f12 = true;
    QString cell;
    whenReady([&] {
        auto* d = visibleTopLevel<TfmDataTusin>();
        if (!d || d->StartPending)
            return false;
        rows = d->PerfectGrid1()->RowCount();
        cell = d->PerfectGrid1()->CellText(0, 1);
        f5 = d->keyButton(TfmDataTusin::kF5)->isEnabled();
        f12 = d->keyButton(TfmDataTusin::kF12)->isEnabled();
        d->keyButton(TfmDataTusin::kEsc)->click();
        return true;
    });
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QStringLiteral("SyoriType=2")), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{framed(QStringLiteral("サーバーに接続出来ません。"))});
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(cell, QString());
    EXPECT_FALSE(f5);
    EXPECT_FALSE(f12);
}

TEST_F(DataTusinTest, ADatasetHeldElsewhereAsksOrRefuses) {
    e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    testenv::HoldingProcess other(ds.database);
    ASSERT_TRUE(other.holding());
    const struct {
        int kind;
        QString text;
        ui::MsgKind box;
    } cases[] = {
        {tkSend, framed(QStringLiteral("このデータは他のオペレータが使用中です。データ送信を開始しますか？")),
         ui::MsgKind::Confirmation},
        {tkAreaList, QStringLiteral("このデータは他のオペレータが使用中です。 "), ui::MsgKind::Warning},
    };
    for (const auto& c : cases) {
        e.ui->clear();
        e.ui->queueAnswer(ui::mrNo);
        TfmDataTusin d;
        d.SyoriType = c.kind;
        d.DataFolder = ds.folder;
        d.Relay.StatusHost = QStringLiteral("unused.invalid");
        EXPECT_EQ(d.StartOperation(), -1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_EQ(e.ui->shown().front().message.kind, c.box);
        EXPECT_EQ(d.PerfectGrid1()->RowCount(), 0);
        // Declining the relay list leaves it without its delete and run keys.
        EXPECT_EQ(d.keyButton(TfmDataTusin::kF12)->isEnabled(), c.kind != tkSend);
        EXPECT_EQ(d.keyButton(TfmDataTusin::kF5)->isEnabled(), c.kind != tkSend);
    }
}

// ---- delete and release --------------------------------------------------------------------------

TEST_F(DataTusinTest, F5DeletesARelayFolderAfterAsking) {
    SKIP_WITHOUT_RELAY(servers);
    servers.entry(id, "folder", 2, folderEntry(QStringLiteral("消すデータ")));
    auto d = listed(tkSend);
    TPerfectGrid* g = d->PerfectGrid1();

    // An empty row says so and asks nothing of the service.
    g->SetCurrentCell(0, 0);
    d->F1Click(TfmDataTusin::kF5);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{framed(QStringLiteral("選択したフォルダには、データは存在しません。"))});

    // No keeps the data.
    e.ui->clear();
    g->SetCurrentCell(1, 0);
    e.ui->queueAnswer(ui::mrNo);
    d->F1Click(TfmDataTusin::kF5);
    EXPECT_EQ(g->CellText(1, 1), QStringLiteral("消すデータ"));

    e.ui->clear();
    d->F1Click(TfmDataTusin::kF5);
    EXPECT_EQ(e.ui->messageTexts(),
              (QStringList{framed(QStringLiteral("選択した中継サーバーのデータを削除します。実行しますか？")),
                           framed(QStringLiteral("中継サーバーのデータを削除しました。"))}));
    EXPECT_EQ(rowTexts(g, 1, 7), (QStringList{"", "", "", "", "", ""}));
    EXPECT_EQ(servers.state(id)["folders"].toArray()[1].toObject()["DataName"].toString(), QString());
    EXPECT_EQ(firstLines().last(),
              "GET /request.php?Scode=1750&sSno=SER-0001&sFName=" + id.toLatin1() + "&fSname=02");
    EXPECT_EQ(firstLines().size(), 2);
}

TEST_F(DataTusinTest, AnAreaInUseIsNeitherDeletedNorReleasedWithoutItsPassword) {
    SKIP_WITHOUT_RELAY(servers);
    QJsonObject used = folderEntry(QStringLiteral("共有中"));
    used.insert("ShareStatus", "2");
    used.insert("UserOperator", b64(QStringLiteral("  12山田太郎")));
    used.insert("UserComputer", b64(QStringLiteral("PC-07")));
    servers.entry(id, "area", 1, used);
    QJsonObject odd = folderEntry(QStringLiteral("不明"));
    odd.insert("ShareStatus", "3");
    servers.entry(id, "area", 2, odd);
    auto d = listed(tkAreaList);
    TPerfectGrid* g = d->PerfectGrid1();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("クラウドシェア領域を選択"));
    EXPECT_EQ(rowTexts(g, 0, 8), (QStringList{"使用中", "共有中", "5期", "2025/04/01 ～ 2026/03/31",
                                              "2026/01/03 10:20", "-", "19消改版"}));
    QDir().mkpath(QStringLiteral("/tmp/i25"));
    d->grab().save(QStringLiteral("/tmp/i25/area-list.png"));
    // A status other than free or in use shows nothing.
    EXPECT_EQ(rowTexts(g, 1, 8), (QStringList{"", "", "", "", "", "", ""}));
    const qsizetype requests = servers.log(id).size();

    g->SetCurrentCell(0, 2);
    EXPECT_FALSE(d->DeleteServerData());
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral(
                  "現在使用中のため削除できません。\r\nオペレータコード: [ 12 ]\r\nオペレータ名:     "
                  "[ 山田太郎 ]\r\nコンピュータ名:   [ PC-07 ]")});
    EXPECT_EQ(servers.log(id).size(), requests);

    // F4 releases it once the password dialog is ticked and answered with the area's password.
    e.ui->clear();
    QString caption;
    whenReady([&] {
        auto* pas = visibleTopLevel<TfmTusinSettiPas>();
        if (!pas)
            return false;
        caption = pas->CheckBox1()->text();
        pas->CheckBox1()->setChecked(true);
        pas->txtConPasswd()->setText(QStringLiteral("abc123"));
        pas->btnOKClick();
        return true;
    });
    d->F1Click(TfmDataTusin::kF4);
    EXPECT_EQ(caption, QStringLiteral("解除処理を実行します"));
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("使用中を解除しました。")});
    EXPECT_EQ(g->CellText(0, 1), QStringLiteral("未使用"));
    EXPECT_EQ(g->CellText(0, 5), QStringLiteral("-"));
    EXPECT_EQ(g->CellText(0, 6), QStringLiteral("2026/01/02 03:04"));
    EXPECT_EQ(servers.state(id)["areas"].toArray()[0].toObject()["ShareStatus"].toString(),
              QStringLiteral("1"));
    EXPECT_EQ(firstLines().last(), "GET /request.php?Scode=1730&sSno=SER-0001&sFName=" + id.toLatin1() +
                                       "&fSname=01&fShare=1&fOpName=&fPcName=");
    EXPECT_FALSE(d->keyButton(TfmDataTusin::kF4)->isEnabled());
    EXPECT_TRUE(d->keyButton(TfmDataTusin::kF5)->isEnabled());
    EXPECT_EQ(d->keyButton(TfmDataTusin::kF12)->text(), QStringLiteral("F12: 選択"));
}

// A road that breaks off with an exception.
class BrokenRoad : public TfmDataTusin {
public:
    int SendData() override {
        setEnabled(false);
        throw std::runtime_error("pack broke");
    }
    int ReceiveData() override {
        setEnabled(false);
        keyButton(kF12)->setEnabled(false);
        throw std::runtime_error("restore broke");
    }
};

TEST_F(DataTusinTest, F12SaysWhyARoadBrokeOffAndCloses) {
    const struct {
        int kind;
        QString text;
    } cases[] = {
        {tkSend,
         QStringLiteral(
             "送信処理中にエラーになりました。\r\nstd::runtime_error error , with message : pack broke")},
        {tkReceive,
         QStringLiteral(
             "受信処理中にエラーになりました。\r\nstd::runtime_error error , with message : restore broke")},
    };
    for (const auto& c : cases) {
        BrokenRoad d;
        d.setAttribute(Qt::WA_DeleteOnClose, false);
        d.SyoriType = c.kind;
        d.show();
        e.ui->clear();
        d.F1Click(TfmDataTusin::kF12);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_FALSE(d.isVisible()) << c.kind;
        EXPECT_TRUE(d.isEnabled());
        EXPECT_TRUE(d.keyButton(TfmDataTusin::kF12)->isEnabled());
    }
}

TEST_F(DataTusinTest, F12ChoosesAnAreaByItsKindAndPassword) {
    SKIP_WITHOUT_RELAY(servers);
    QJsonObject mine = folderEntry(QStringLiteral("自分の"));
    mine.insert("ShareStatus", "1");
    mine.insert("Password", "gpw123");
    QJsonObject foreign = mine;
    foreign.insert("Password", "other1");
    servers.entry(id, "area", 1, mine);
    servers.entry(id, "area", 2, foreign);
    const QString mismatch =
        QStringLiteral("クラウド領域のデータと現在選択中のデータのパスワードが一致しません。");
    const struct {
        int kind, row;
        bool chosen;
        QString text; // empty: none
    } cases[] = {
        {tkAreaList, 0, true, {}},
        {tkAreaList, 1, false, mismatch},
        {tkAreaList, 2, true, QStringLiteral("お手元のデータをアップロードしてクラウドシェアを開始します。")},
        {tkAreaListOnline, 0, false, QStringLiteral("翌年度更新処理中の場合は、空白行を選択してください。")},
        {tkAreaListOnline, 1, false, mismatch},
        {tkAreaListOnline, 2, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " row " << c.row);
        auto d = listed(c.kind);
        e.ui->clear();
        d->PerfectGrid1()->SetCurrentCell(c.row, 1);
        d->F1Click(TfmDataTusin::kF12);
        EXPECT_EQ(d->AreaChosen, c.chosen ? 1 : 0);
        EXPECT_EQ(e.ui->messageTexts(), c.text.isEmpty() ? QStringList() : QStringList{c.text});
        if (c.chosen) {
            EXPECT_EQ(d->ChosenArea, c.row + 1);
        }
        // The area lists are hidden on close, never freed: their caller reads the choice.
        EXPECT_FALSE(d->testAttribute(Qt::WA_DeleteOnClose));
    }
}

TEST_F(DataTusinTest, ReceiveNoticeStoresTheServerTime) {
    SKIP_WITHOUT_RELAY(servers);
    servers.clock(id, QStringLiteral("2026/12/10 12:34:56"));
    AccInf.CLOUD_LINE = 2;
    TfmDataTusin d;
    d.SyoriType = tkCloudReceive;
    d.DataFolder = ds.folder;
    d.Relay = servers.settings;
    e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    EXPECT_TRUE(d.NotifyReceiveComplete());
    EXPECT_EQ(datasetText(QStringLiteral(
                  "SELECT EXTRACT(HOUR FROM CLOUD_TIME) * 100 + EXTRACT(MINUTE FROM CLOUD_TIME) "
                  "FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("1234"));
    EXPECT_EQ(firstLines().last(), "GET /request.php?Scode=1833&sSno=SER-0001&sFName=" + id.toLatin1() +
                                       "&fSname=02&fOpName=&fPcName=");
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();

    servers.fault(id, QStringLiteral("code"), QStringLiteral("999"));
    EXPECT_FALSE(d.NotifyReceiveComplete());
    EXPECT_EQ(e.ui->messageTexts(), QStringList{framed(QStringLiteral("完了処理サーバーエラー(999)"))});
}

TEST_F(DataTusinTest, CashBookFoldersAreDeletedWithoutAsking) {
    SKIP_WITHOUT_RELAY(servers);
    const QString cash = servers.addId();
    AccInf.TusinHolder[1] = cash;
    TfmDataTusin d;
    d.SyoriType = 3;
    d.Relay = servers.settings;
    EXPECT_TRUE(d.DeleteCashBookServerData(1));
    const QList<QByteArray> log = servers.log(cash);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith("GET /request.php?Scode=1750&sSno=SER-0001&sFName=" + cash.toLatin1() +
                                  "&fSname=02 "));
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST(DataTusinTexts, InUseTextNamesTheHolder) {
    const struct {
        QString op, computer, text;
    } cases[] = {
        {QString(), QString(), QStringLiteral("使用中 ")},
        {QStringLiteral("  12山田"), QStringLiteral("PC"),
         QStringLiteral(
             "使用中\r\nオペレータコード: [ 12 ]\r\nオペレータ名:     [ 山田 ]\r\nコンピュータ名:   [ PC ]")},
        {QStringLiteral("ab 1鈴木"), QStringLiteral("X"),
         QStringLiteral(
             "使用中\r\nオペレータコード: [  ]\r\nオペレータ名:     [ 鈴木 ]\r\nコンピュータ名:   [ X ]")},
    };
    for (const auto& c : cases) {
        TRelayServerEntry entry;
        entry.UserOperator = c.op;
        entry.UserComputer = c.computer;
        EXPECT_EQ(InUseText(QStringLiteral("使用中"), entry), c.text);
    }
    EXPECT_EQ(RelayFolderName(1), QStringLiteral("/01"));
    EXPECT_EQ(RelayFolderName(10), QStringLiteral("/10"));
}

// ---- the data package ----------------------------------------------------------------------------

TEST_F(DataTusinTest, PackageRoundTripGivesTheSameDataset) {
    ds.addAccount({QStringLiteral("100"), QString(), QStringLiteral("器具備品")});
    for (const auto& [kanri, name] : {std::pair{"A-1", "机"}, std::pair{"A-2", "椅子"}}) {
        testenv::AssetSpec asset;
        asset.kanri = QString::fromUtf8(kanri);
        asset.kcode = QStringLiteral("100");
        asset.name = QString::fromUtf8(name);
        ds.addAsset(asset);
    }
    TfmDataTusin d;
    d.SyoriType = tkSend;
    d.Relay.PauseMs = 0;
    const TPackageStages send = d.SendStages();
    const TPackageStages receive = d.ReceiveStages();
    EXPECT_EQ(send.Folder, SystemDef.WinTempDir + QStringLiteral("/ComS"));
    EXPECT_EQ(receive.Backup, SystemDef.WinTempDir + QStringLiteral("/ComR/placc.fbk"));

    ASSERT_TRUE(d.PreparePackageFolder(TPackageRoad::Send));
    ASSERT_TRUE(d.SaveSendBackup(true));
    EXPECT_EQ(IniFile(ds.folder + QStringLiteral("/placc.ini"), false)
                  .readString(QStringLiteral("DATASTS"), QStringLiteral("STATUS")),
              QStringLiteral("1"));
    ASSERT_TRUE(d.PackSequence(TPackageRoad::Send));
    ASSERT_TRUE(d.EncryptSequence(TPackageRoad::Send));

    QProcess lhasa;
    lhasa.start(QStringLiteral("lhasa"), {QStringLiteral("l"), send.Archive});
    ASSERT_TRUE(lhasa.waitForFinished(-1));
    const QStringList members = QString::fromLocal8Bit(lhasa.readAllStandardOutput())
                                    .split(u'\n')
                                    .filter(QStringLiteral("placc.fbk"));
    EXPECT_EQ(members.size(), 1);

    TBackupRestoreThread trailer;
    ASSERT_TRUE(trailer.ReadZoneInfo(send.Backup));
    EXPECT_EQ(trailer.ZoneShougou, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(trailer.ZoneKishu, QStringLiteral("2025/04/01"));
    EXPECT_EQ(trailer.ZoneKimatu, QStringLiteral("2026/03/31"));
    EXPECT_EQ(trailer.ZoneDataVersion, QStringLiteral("0.0.0"));
    EXPECT_EQ(trailer.ZoneGassan, 0);

    // The package travels to the receiving side's work folder and opens there.
    ASSERT_TRUE(QDir().mkpath(receive.Folder));
    ASSERT_TRUE(QFile::copy(send.Package, receive.Package));
    ASSERT_TRUE(d.DecryptSequence(TPackageRoad::Receive));
    ASSERT_TRUE(d.ExtractSequence(TPackageRoad::Receive));
    QFile a(send.Backup), b(receive.Backup);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll() == b.readAll());

    const QString restored = e.root->dataDir() + QStringLiteral("/0050");
    ASSERT_TRUE(QDir().mkpath(restored));
    TBackupRestoreThread restore;
    restore.Mode = TBackupRestoreThread::ModeRestore;
    restore.DatabaseFile = restored + QStringLiteral("/placc.fdb");
    restore.BackupFile = receive.Backup;
    ASSERT_TRUE(restore.RunAndWait(50)) << restore.ErrInfo.Message.toStdString();
    {
        fb::Database db(restored + QStringLiteral("/placc.fdb"), testenv::databaseUser());
        db.attach();
        fb::Transaction t(db);
        fb::Query q(t, QStringLiteral(
                           "SELECT LIST(MEISYOU, ',') FROM (SELECT MEISYOU FROM KS_SISAN ORDER BY KANRI)"));
        q.open();
        EXPECT_EQ(q.field(0).asString(), QStringLiteral("机,椅子"));
        q.close();
        t.commit();
    }

    d.CleanUpStages(TPackageRoad::Send);
    d.CleanUpStages(TPackageRoad::Receive);
    EXPECT_TRUE(QDir(send.Folder).isEmpty());
    EXPECT_TRUE(QDir(receive.Folder).isEmpty());
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(DataTusinTest, AStageThatCannotBeReplacedStopsTheRoad) {
    TfmDataTusin d;
    d.SyoriType = tkSend;
    d.Relay.PauseMs = 0;
    const TPackageStages s = d.SendStages();
    const TPackageStages r = d.ReceiveStages();
    // A folder in the stage file's place cannot be deleted, whoever runs the test.
    const auto block = [](const QString& path) { QDir().mkpath(path + QStringLiteral("/x")); };
    const auto put = [](const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
    };
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<bool()> step;
        QString text;
    };
    const Case cases[] = {
        {"old backup", [&] { block(s.Backup); }, [&] { return d.PreparePackageFolder(TPackageRoad::Send); },
         QStringLiteral("旧バックアップファイルが削除出来ません。")},
        {"old archive", [&] { block(s.Archive); }, [&] { return d.PackSequence(TPackageRoad::Send); },
         QStringLiteral("旧圧縮ファイルが削除出来ません。")},
        {"no backup", [] {}, [&] { return d.PackSequence(TPackageRoad::CashSend); },
         framed(QStringLiteral("バックアップファイルが見つかりません。"))},
        {"old package", [&] { put(s.Archive), block(s.Package); },
         [&] { return d.EncryptSequence(TPackageRoad::Send); },
         QStringLiteral("旧ワークファイルが削除出来ません。")},
        // The cipher cannot read its source: its failure is reported and no package is left to upload.
        {"cipher fails", [&] { block(s.Archive); }, [&] { return d.EncryptSequence(TPackageRoad::Send); },
         framed(QStringLiteral("暗号失敗"))},
        {"nothing received", [] {}, [&] { return d.DecryptSequence(TPackageRoad::Receive); },
         framed(QStringLiteral("受信ファイルが見つかりません。"))},
        {"wrong key", [&] { put(r.Package); }, [&] { return d.DecryptSequence(TPackageRoad::Receive); },
         framed(QStringLiteral("暗号解読失敗"))},
        {"old restore file", [&] { put(r.Archive), block(r.Backup); },
         [&] { return d.ExtractSequence(TPackageRoad::Receive); },
         QStringLiteral("旧復元ファイルが削除出来ません。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(s.Folder).removeRecursively();
        QDir(r.Folder).removeRecursively();
        e.ui->clear();
        c.arrange();
        EXPECT_FALSE(c.step());
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_FALSE(QFileInfo(s.Package).isFile());
    }
}

TEST(DataTusinPackage, AnUnsetTempFolderIsTheSystemsNotTheRoot) {
    testenv::TempEnvironment env;
    SystemDef.WinTempDir.clear();
    TfmDataTusin d;
    EXPECT_EQ(d.SendStages().Folder, specialfolders::temp() + QStringLiteral("/ComS"));
    EXPECT_NE(d.SendStages().Folder, QStringLiteral("/ComS"));
    // Cloud-share packages never share names with the general ones.
    d.BackupName = QStringLiteral("cplacc.fbk");
    EXPECT_TRUE(d.ReceiveStages().Package.endsWith(QStringLiteral("/ComR/cplacc.wen")));
    EXPECT_TRUE(d.StagesOf(TPackageRoad::CashReceive).Package.endsWith(QStringLiteral("/ComR/placc.wen")));
    EXPECT_EQ(TfmDataTusin::PackageKey(QStringLiteral("abc")).size(), 9);
}

// ---- the list row of a received dataset ---------------------------------------------------------

class UpdateListRow : public DataTusinTest {
protected:
    // Through the database module's connection (the server's, in client/server mode).
    QString listText(const QString& sql) {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF, sql);
        q.open();
        const QString v = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        own.commit();
        return v;
    }
    void fillRow(TfmDataTusin& d, const QString& folder) {
        ASSERT_GE(d.GetDataListRecord(), 1);
        TDataSentakuRec& row = d.ListRows[0];
        row.PASNAME = folder;
        row.ENTTEXT = QStringLiteral("受信データ");
        row.NENDO = 9;
        row.VER_MAJOR = 13;
        row.VER_TEXT = QStringLiteral("13.0.0");
    }
};

TEST_F(UpdateListRow, StandAloneWritesTheListRowOfTheFolder) {
    const testenv::Dataset other = e.root->addDataset({}, 2);
    TfmDataTusin d;
    fillRow(d, other.folder);
    d.UpdateDataListRecord(0);
    EXPECT_EQ(systemText(QStringLiteral(
                  "SELECT ENTTEXT || '/' || NENDO || '/' || VER_TEXT FROM DATALIST WHERE REC=2")),
              QStringLiteral("受信データ/9/13.0.0"));
    EXPECT_NE(systemText(QStringLiteral("SELECT ENTTEXT FROM DATALIST WHERE REC=1")),
              QStringLiteral("受信データ"));

    d.ListRows[0].PASNAME = QStringLiteral("  ");
    EXPECT_THROW(d.UpdateDataListRecord(0), std::runtime_error);
}

TEST_F(UpdateListRow, ADistributedChildWritesItsChildRow) {
    e.executeSystem(
        QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, PASNAME) VALUES "
                       "(1, 3, 10000, 'child', '") +
        ds.folder + QStringLiteral("/02')"));
    TfmDataTusin d;
    d.GassanKbnText = QStringLiteral("10");
    fillRow(d, ds.folder + QStringLiteral("/02"));
    d.UpdateDataListRecord(0);
    EXPECT_EQ(systemText(QStringLiteral("SELECT ENTTEXT FROM CHILD_DATALIST WHERE REC=1 AND ROWNO=3")),
              QStringLiteral("受信データ"));
    EXPECT_NE(systemText(QStringLiteral("SELECT ENTTEXT FROM DATALIST WHERE REC=1")),
              QStringLiteral("受信データ"));
    EXPECT_TRUE(e.ui->shown().empty());

    const struct {
        QString folder, text;
    } refused[] = {{ds.folder + QStringLiteral("/0003"), QStringLiteral("C_DATALISTが更新出来ません。(1)")},
                   {ds.folder + QStringLiteral("/07"), QStringLiteral("C_DATALISTが更新出来ません。(2)")}};
    for (const auto& c : refused) {
        e.ui->clear();
        d.ListRows[0].PASNAME = c.folder;
        d.UpdateDataListRecord(0);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text});
        EXPECT_FALSE(e.dm->IBTransactionDEF.isActive());
    }
}

TEST_F(UpdateListRow, ClientServerChoosesTheListOfTheDataPlace) {
    const QString server = qEnvironmentVariable("QV_FB_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const QString place = QStringLiteral("/srv/place/0004");
    e.executeSystem(
        QStringLiteral("INSERT INTO DATAPLACEMAN (REC, NAME, PATH) VALUES (1, '場所', '/srv/place')"));
    e.executeSystem(QStringLiteral("INSERT INTO DATALIST_EX (DATAPLACEREC, REC, GROUPID, ENTTEXT, PASNAME) "
                                   "VALUES (1, 4, 10000, 'old', '") +
                    place + QStringLiteral("')"));
    e.dm->fnAccDatDisConnected(ds.folder, 1, 0);
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 1;
    SystemDef.HOSTNAME = server;
    ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
    TfmDataTusin d;
    fillRow(d, ds.folder);
    d.UpdateDataListRecord(0);
    EXPECT_EQ(listText(QStringLiteral("SELECT ENTTEXT FROM DATALIST WHERE REC=1")),
              QStringLiteral("受信データ"));

    SystemDef.DataDir = place;
    d.ListRows[0].PASNAME = place;
    d.ListRows[0].ENTTEXT = QStringLiteral("場所のデータ");
    d.UpdateDataListRecord(0);
    EXPECT_EQ(listText(QStringLiteral("SELECT ENTTEXT FROM DATALIST_EX WHERE REC=4")),
              QStringLiteral("場所のデータ"));
    e.dm->IBDatabaseDEF.detach();
    ConnectMode = 0;
}

// ---- bookkeeping ---------------------------------------------------------------------------------------

TEST(DataTusinCompare, DifferenceLines) {
    const TCompareInfo base{QStringLiteral("株式会社A"), QStringLiteral("2025/04/01"),
                            QStringLiteral("2026/03/31"), 1500};
    const auto with = [&](auto change) {
        TCompareInfo i = base;
        change(i);
        return i;
    };
    const struct {
        const char* what;
        TCompareInfo source;
        QStringList lines;
    } cases[] = {
        {"same", base, {}},
        {"more journals", with([](TCompareInfo& i) { i.TOTALSIWAKE = 2000; }), {}},
        {"company",
         with([](TCompareInfo& i) { i.SHOUGOU = QStringLiteral("株式会社B"); }),
         {"会社名に違いがありました。", "　【復元元】：株式会社B", "　【復元先】：株式会社A", ""}},
        {"period",
         with([](TCompareInfo& i) {
             i.KISHU = QStringLiteral("2024/04/01");
             i.KIMATU = QStringLiteral("2025/03/31");
         }),
         {"期首に違いがありました。", "　【復元元】：2024/04/01", "　【復元先】：2025/04/01", "",
          "期末に違いがありました。", "　【復元元】：2025/03/31", "　【復元先】：2026/03/31", ""}},
        {"fewer journals",
         with([](TCompareInfo& i) { i.TOTALSIWAKE = 999; }),
         {"仕訳件数(修正・削除仕訳含む)が減っています。", "　【復元元】：999 件", "　【復元先】：1,500 件",
          ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TfmDataTusin::CompareLines(QStringLiteral("復元"), c.source, base), c.lines) << c.what;

    ui::ScopedScriptedUi ui;
    TfmDataTusin d;
    EXPECT_FALSE(d.CompareDataInfo(QStringLiteral("復元"), TCompareInfo{}, base));
    EXPECT_TRUE(d.CompareDataInfo(QStringLiteral("復元"), base, base));
    EXPECT_EQ(ui->messageTexts(), QStringList{QStringLiteral("復元処理元のデータ情報が不正です。\r")});
}

TEST(DataTusinCompare, DifferencesGoOnOnlyWithTheAgreeBoxTicked) {
    ui::ScopedScriptedUi ui;
    const TCompareInfo destination{QStringLiteral("株式会社A"), QStringLiteral("2025/04/01"),
                                   QStringLiteral("2026/03/31"), 1500};
    TCompareInfo source = destination;
    source.TOTALSIWAKE = 999;
    TfmDataTusin d;
    for (const bool agree : {true, false}) {
        QString caption, agreeCaption;
        QStringList lines;
        whenReady([&] {
            auto* box = visibleTopLevel<TMessageBox>();
            if (!box)
                return false;
            caption = box->windowTitle();
            lines = box->MessageLines;
            auto* tick = box->findChild<QCheckBox*>(QStringLiteral("cboxAgree"));
            agreeCaption = tick->text();
            if (agree) {
                tick->click();
                box->findChild<TxPlButton*>(QStringLiteral("btnOK"))->click();
            } else {
                box->findChild<TxPlButton*>(QStringLiteral("btnCancel"))->click();
            }
            return true;
        });
        EXPECT_EQ(d.CompareDataInfo(QStringLiteral("復元"), source, destination), agree);
        EXPECT_EQ(caption, QStringLiteral("データ照合チェックの結果"));
        EXPECT_EQ(agreeCaption, QStringLiteral("データ復元処理の続行に同意します。"));
        EXPECT_EQ(lines.size(), 4);
    }
}

TEST_F(DataTusinTest, CloudLineIsClearedOnlyAbove11) {
    const struct {
        int minor2;
        const char* after;
    } cases[] = {{0, "4"}, {1, "0"}};
    for (const auto& c : cases) {
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=4"));
        ds.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=11, MINOR1=0, MINOR2=:M"),
                   [&](fb::Query& q) { q.setInt("M", c.minor2); });
        TfmDataTusin d;
        EXPECT_TRUE(d.UpdateCloudLine(0));
        EXPECT_EQ(datasetText(QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1")), c.after)
            << c.minor2;
        EXPECT_TRUE(d.UpdateCloudLine(1));
        EXPECT_EQ(d.VersionMinor2, c.minor2);
    }
    TfmDataTusin d;
    const TDateTime t = TDateTime::fromDate(2026, 12, 10);
    EXPECT_TRUE(d.UpdateCloudTime(t));
    EXPECT_EQ(datasetText(QStringLiteral(
                  "SELECT EXTRACT(YEAR FROM CLOUD_TIME) * 10000 + EXTRACT(MONTH FROM "
                  "CLOUD_TIME) * 100 + EXTRACT(DAY FROM CLOUD_TIME) FROM ACCDEF1 WHERE REC=1")),
              QStringLiteral("20261210"));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(DataTusinTest, MergedDataSettingsAreWrittenBothOrNeither) {
    ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"),
                 QStringLiteral("1"));
    ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"),
                 QStringLiteral("3"));
    TfmDataTusin d;
    EXPECT_EQ(d.ReadGassanSetting(), 1);
    EXPECT_EQ(d.GassanKbnText, QStringLiteral("1"));
    EXPECT_EQ(d.GassanCountText, QStringLiteral("3"));
    const QString kbn = QStringLiteral("SELECT ATEXT FROM ACCREG WHERE ACODE='合算データ区分'");

    d.GassanKbnText = QStringLiteral("2");
    d.GassanCountText = QStringLiteral("5");
    EXPECT_EQ(d.WriteGassanSetting(), 1);
    EXPECT_EQ(datasetText(kbn), QStringLiteral("2"));

    // The second row is gone: the first keeps its text and the failure is reported.
    ds.execute(QStringLiteral("DELETE FROM ACCREG WHERE ACODE='合算データ数'"));
    d.GassanKbnText = QStringLiteral("0");
    EXPECT_EQ(d.WriteGassanSetting(), 0);
    EXPECT_EQ(datasetText(kbn), QStringLiteral("2"));
    EXPECT_EQ(e.ui->shown().size(), 1u);
}

} // namespace
