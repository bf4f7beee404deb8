// The cash-book, master and automatic kinds end to end through the loopback relay servers: the sending
// site is the fixture's second dataset, the receiving site the open one, both of one cash-book pair
// (TUSIN_ID). The import runs on the real cash-book loader.

#include "CashBookSupport.h"
#include "RelayServers.h"

#include "platform/Cp932.h"
#include "tusin/xPzConv.h"
#include "tusin/z5CashBookLoader.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5HikakuMess2.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

const QString kSendQuestion = QStringLiteral("  \r\n中継サーバーにデータを送信します。\r\n ");
const QString kSent = QStringLiteral("　\r\n送信処理が終了しました。\r\n　");
const QString kIncomplete = framed(QStringLiteral("受信処理が正常に終了していません。"));

// How the test answers the import window of folder "/01".
enum class LoaderAnswer { Run, Close };

// The dialog with the import window answered by the test: the run as the window starts it by itself,
// or the window closed before it started.
class TestDataTusin : public TfmDataTusin {
public:
    LoaderAnswer answer = LoaderAnswer::Run;
    int ShowCashBookLoader(TCashBookLoaderBox& box) override {
        if (answer == LoaderAnswer::Close)
            return 2;
        // A stopped run shows its log modally; it is closed at once.
        auto* closer = new QTimer(&box);
        QObject::connect(closer, &QTimer::timeout, &box, [&box] {
            if (box.isVisible())
                box.done(1);
        });
        closer->start(20);
        box.btnOkClick();
        return 1;
    }
};

// Answers the next comparison dialog with its first (true) or second button, keeping what it showed.
struct HikakuAnswerer {
    QStringList texts;
    explicit HikakuAnswerer(bool yes) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, yes] {
            if (!fmHikakuMess2 || !fmHikakuMess2->isVisible())
                return;
            for (int n = 1; n <= 9; ++n)
                if (fmHikakuMess2->label(n)->isVisibleTo(fmHikakuMess2))
                    texts << fmHikakuMess2->label(n)->text();
            (yes ? fmHikakuMess2->Button1() : fmHikakuMess2->Button2())->click();
            timer->stop();
            timer->deleteLater();
        });
        timer->start(20);
    }
};

class CashBookTransferTest : public CashBookTest {
protected:
    void SetUp() override {
        CashBookTest::SetUp();
        if (!servers.available())
            return;
        id = servers.addId();
        RelaySettings() = servers.settings;
        for (const testenv::Dataset* ds : {&open, &received}) {
            ds->execute(QStringLiteral("UPDATE TUSIN_ID SET HOLDER = :H, PASWORD = 'cpw1' WHERE REC = 1"),
                        [&](fb::Query& q) { q.setString("H", id); });
        }
        connectOpen();
    }
    void TearDown() override {
        RelaySettings() = TRelaySettings();
        if (dm->IBDatabaseDAT.isConnected())
            dm->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
        CashBookTest::TearDown();
    }

    void connectTo(const testenv::Dataset& ds) {
        if (dm->IBDatabaseDAT.isConnected())
            dm->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
        SystemDef.DataDir = ds.folder;
        ASSERT_TRUE(dm->fnAccDatConnected(QString(), ds.folder, 0));
        ASSERT_TRUE(dm->fnGetAccInfo());
    }

    // Runs a kind directly as the program's start does, with the import window answered by the test.
    int run(int kind, LoaderAnswer answer = LoaderAnswer::Run) {
        TestDataTusin d;
        d.SyoriType = kind;
        d.Relay = servers.settings;
        d.answer = answer;
        return d.Execute(true);
    }
    // The second dataset sends with the kind; the open dataset is connected again afterwards.
    void sendFromOtherSite(int kind) {
        connectTo(received);
        e.ui->clear();
        ASSERT_EQ(run(kind), 1) << e.ui->messageTexts().join(u'\n').toStdString();
        connectTo(open);
        e.ui->clear();
    }

    QString remote(const QString& path) const { return servers.folder + QStringLiteral("/ftp/") + id + path; }
    // The request lines of a code, without their protocol part.
    QList<QByteArray> requests(const char* code) {
        QList<QByteArray> out;
        for (const QByteArray& r : servers.log(id))
            if (code == nullptr || r.startsWith(QByteArray("GET /request.php?Scode=") + code))
                out << r.left(r.indexOf(" HTTP/"));
        return out;
    }
    QByteArray deleteLine(const char* folder) const {
        return "GET /request.php?Scode=1750&sSno=SER-0001&sFName=" + id.toLatin1() + "&fSname=" + folder;
    }
    void sameCompanyOnBothSites() {
        received.execute(QStringLiteral("UPDATE ACCDEF1 SET SHOUGOU=:S WHERE REC=1"),
                         [&](fb::Query& q) { q.setString("S", AccInf.SHOUGOU); });
    }

    RelayServers servers;
    QString id;
};

} // namespace

TEST_F(CashBookTransferTest, CashBookSendUploadsReportsAndThenMarksTheRows) {
    SKIP_WITHOUT_RELAY(servers);
    open.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=13, MINOR1=2"));
    const int live = writeLocal(QDate(2024, 5, 1), 1000, QStringLiteral("現金売上"));
    e.ui->clear();
    EXPECT_EQ(run(3), 1);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, kSent}));
    EXPECT_GT(QFileInfo(remote("/02/placc.wen")).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(remote("/02/placc.wenbak")));
    const QList<QByteArray> info = requests("1720");
    ASSERT_EQ(info.size(), 1);
    EXPECT_TRUE(info[0].endsWith("&sFName=" + id.toLatin1() + "&sTRKubn=2")) << info[0].toStdString();
    const QList<QByteArray> done = requests("1810");
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done[0], "GET /request.php?Scode=1810&sSno=SER-0001&sFName=" + id.toLatin1() + "&fSname=02&fSg=" +
                           RelayNameValue(AccInf.SHOUGOU) +
                           "&fNe=1&fKis=202404010000&fKie=202503310000&fPa=cpw1&fYobi=1302");
    EXPECT_EQ(openInt(QStringLiteral("SELECT LINKKUB FROM SIWAKE WHERE REC=%1").arg(live)), 10);
    EXPECT_TRUE(QDir(PackageTempFolder() + QStringLiteral("/ComS")).entryList(QDir::Files).isEmpty());
    // The job's history: started under the kind's caption and ended.
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM OPINF WHERE JOBNAME='現金出納帳送信'")), 0);
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM OPINF_LOG WHERE JOBNAME='現金出納帳送信' AND STATE='正常終了'")), 1);
}

TEST_F(CashBookTransferTest, AutomaticSendsGoToFolder01AndOnlyKind9SaysItHasEnded) {
    SKIP_WITHOUT_RELAY(servers);
    const struct {
        int kind;
        QStringList texts;
    } cases[] = {{7, {kSendQuestion}}, {9, {kSendQuestion, kSent}}};
    for (const auto& c : cases) {
        e.ui->clear();
        EXPECT_EQ(run(c.kind), 1) << c.kind;
        EXPECT_EQ(e.ui->messageTexts(), c.texts) << c.kind;
        EXPECT_GT(QFileInfo(remote("/01/placc.wen")).size(), 0) << c.kind;
        EXPECT_TRUE(requests("1810").last().contains("&fSname=01&")) << c.kind;
    }
}

TEST_F(CashBookTransferTest, SendThatDoesNotArriveIsAFailure) {
    SKIP_WITHOUT_RELAY(servers);
    const int live = writeLocal(QDate(2024, 5, 1), 1000, QStringLiteral("現金売上"));
    servers.fault(id, QStringLiteral("login"));
    e.ui->clear();
    EXPECT_EQ(run(3), 0);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, framed(QStringLiteral("サーバーの接続に失敗しました。"))}));
    EXPECT_TRUE(requests("1810").isEmpty());
    // Nothing went out, so nothing is marked as sent.
    EXPECT_EQ(openInt(QStringLiteral("SELECT LINKKUB FROM SIWAKE WHERE REC=%1").arg(live)), 0);
}

// A send that breaks on the relay server leaves no package there that a receiver would take: not a part
// of the first one, and never an older package over a newer one.
TEST_F(CashBookTransferTest, ABrokenSendLeavesNoPartialOrOlderPackage) {
    SKIP_WITHOUT_RELAY(servers);
    const QString failed = framed(QStringLiteral("データの送信に失敗しました。"));
    // The first upload, cut after its first block.
    servers.fault(id, QStringLiteral("dropdata"));
    e.ui->clear();
    EXPECT_EQ(run(3), 0);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, failed}));
    EXPECT_FALSE(QFileInfo::exists(remote("/02/placc.wen")));
    EXPECT_TRUE(requests("1810").isEmpty());

    // A newer package and an older "bak" file that the server will not let be replaced.
    servers.control({{"cmd", "clear"}, {"id", id}});
    ASSERT_TRUE(testenv::writeFile(remote("/02/placc.wen"), "newer package"));
    ASSERT_TRUE(testenv::writeFile(remote("/02/placc.wenbak"), "older package"));
    servers.fault(id, QStringLiteral("renameto"), QStringLiteral("placc.wenbak"));
    e.ui->clear();
    EXPECT_EQ(run(3), 0);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, failed}));
    EXPECT_EQ(testenv::readFile(remote("/02/placc.wen")), QByteArray("newer package"));
    EXPECT_EQ(testenv::readFile(remote("/02/placc.wenbak")), QByteArray("older package"));
    EXPECT_FALSE(QFileInfo::exists(remote("/02/placc.wentmp")));
    EXPECT_TRUE(requests("1810").isEmpty());
}

TEST_F(CashBookTransferTest, MasterDataOfTheSamePeriodBlocksACashBookSend) {
    SKIP_WITHOUT_RELAY(servers);
    const struct {
        const char* start;
        int result;
        QStringList texts;
    } cases[] = {
        {"2024/04/01 00:00:00", -1,
         {kSendQuestion, framed(QStringLiteral("中継サーバーに未受信の全データが存在しますので送信できません。"))}},
        {"2023/04/01 00:00:00", 1, {kSendQuestion, kSent}},
    };
    for (const auto& c : cases) {
        servers.entry(id, "folder", 3,
                      {{"DataName", TxPzConv::EncodeBase64(cp932::encode(AccInf.SHOUGOU))},
                       {"Password", "cpw1"},
                       {"PeriodStart", c.start}});
        e.ui->clear();
        EXPECT_EQ(run(3), c.result) << c.start;
        EXPECT_EQ(e.ui->messageTexts(), c.texts) << c.start;
        EXPECT_EQ(QFileInfo::exists(remote("/02/placc.wen")), c.result == 1) << c.start;
    }
}

TEST_F(CashBookTransferTest, MasterSendWaitsForFolder01AndClearsFolder02FirstWhenAllowed) {
    SKIP_WITHOUT_RELAY(servers);
    const QJsonObject data{{"DataName", TxPzConv::EncodeBase64(cp932::encode(AccInf.SHOUGOU))},
                           {"Password", "cpw1"},
                           {"PeriodStart", "2024/04/01 00:00:00"}};
    // Data the cash-book side sent is still waiting: refused before anything else.
    servers.entry(id, "folder", 1, data);
    servers.entry(id, "folder", 2, data);
    e.ui->clear();
    EXPECT_EQ(run(5), -1);
    EXPECT_EQ(e.ui->messageTexts(),
              (QStringList{kSendQuestion, framed(QStringLiteral("受信処理を行ってから、マスター送信して下さい。"))}));
    servers.entry(id, "folder", 1, {{"DataName", ""}});

    const QString question = QStringLiteral(
        "中継サーバーに現金出納帳データが存在します。\r\nこのままマスター送信をすると、削除されます。続行しますか？");
    e.ui->clear();
    e.ui->queueAnswer(ui::mrYes);
    e.ui->queueAnswer(ui::mrNo);
    EXPECT_EQ(run(5), -1);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, question}));
    EXPECT_TRUE(requests("1750").isEmpty());

    e.ui->clear();
    EXPECT_EQ(run(5), 1);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{kSendQuestion, question, framed(QStringLiteral("送信処理が終了しました。"))}));
    EXPECT_GT(QFileInfo(remote("/03/placc.wen")).size(), 0);
    // Folder "/02" is emptied before the master data goes up.
    const QList<QByteArray> all = requests(nullptr);
    const qsizetype deleted = all.indexOf(deleteLine("02"));
    ASSERT_GE(deleted, 0);
    qsizetype reported = -1;
    for (qsizetype i = 0; i < all.size(); ++i)
        if (all[i].startsWith("GET /request.php?Scode=1810") && all[i].contains("&fSname=03&"))
            reported = i;
    EXPECT_GT(reported, deleted);
}

TEST_F(CashBookTransferTest, CashBookReceiveImportsFolder01AndOnlyThenDeletesIt) {
    SKIP_WITHOUT_RELAY(servers);
    sameCompanyOnBothSites();
    addReceived({101, 0, 0, 0, 0, QDate(2024, 5, 1), 500, QStringLiteral("出納帳から")});
    sendFromOtherSite(9);
    ASSERT_TRUE(QFileInfo::exists(remote("/01/placc.wen")));
    const QString question = framed(QStringLiteral("これよりデータを受信します。"));
    const QString work = SystemDef.TempDir + QStringLiteral("/placc.fdb");

    // The import window closed before its run: nothing taken in, nothing deleted, nothing said.
    e.ui->clear();
    EXPECT_EQ(run(4, LoaderAnswer::Close), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{question});
    EXPECT_TRUE(QFileInfo::exists(remote("/01/placc.wen")));
    EXPECT_FALSE(QFileInfo::exists(work));

    e.ui->clear();
    EXPECT_EQ(run(4), 1) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(DISTINCT SWKREC) FROM SIWAKE WHERE TEKTEXT='出納帳から'")), 1);
    EXPECT_EQ(requests("1750"), QList<QByteArray>{deleteLine("01")});
    EXPECT_FALSE(QFileInfo::exists(remote("/01/placc.wen")));
    EXPECT_FALSE(QFileInfo::exists(work));
}

TEST_F(CashBookTransferTest, FailedImportKeepsTheRelayCopyAndSaysSo) {
    SKIP_WITHOUT_RELAY(servers);
    sameCompanyOnBothSites();
    // A chart the open dataset cannot take: the import refuses.
    received.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=1, BUMON=1 WHERE REC=1"));
    received.execute(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE='5000'"));
    sendFromOtherSite(9);
    e.ui->clear();
    EXPECT_EQ(run(4), 0);
    EXPECT_EQ(e.ui->messageTexts(), (QStringList{framed(QStringLiteral("これよりデータを受信します。")), kIncomplete}));
    EXPECT_TRUE(requests("1750").isEmpty());
    EXPECT_TRUE(QFileInfo::exists(remote("/01/placc.wen")));
    EXPECT_FALSE(QFileInfo::exists(SystemDef.TempDir + QStringLiteral("/placc.fdb")));
}

TEST_F(CashBookTransferTest, AutomaticReceiveTakesMasterDataElseFolder02) {
    SKIP_WITHOUT_RELAY(servers);
    sameCompanyOnBothSites();
    addReceived({101, 0, 0, 0, 0, QDate(2024, 5, 1), 500, QStringLiteral("送信元から")});
    sendFromOtherSite(3);
    sendFromOtherSite(5); // empties "/02" first
    ASSERT_FALSE(QFileInfo::exists(remote("/02/placc.wen")));
    ASSERT_TRUE(QFileInfo::exists(remote("/03/placc.wen")));

    // The master folder replaces the dataset: result 2.
    EXPECT_EQ(run(6), 2) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(requests("1750").endsWith(deleteLine("03")));
    EXPECT_FALSE(QFileInfo::exists(remote("/03/placc.wen")));
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM SIWAKE WHERE TEKTEXT='送信元から'")), 1);

    // Without master data the cash-book folder "/02" is merged: result 1.
    sendFromOtherSite(3);
    EXPECT_EQ(run(6), 1) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(requests("1750").endsWith(deleteLine("02")));

    // Nothing left: kind 6 ends quietly, kind 10 says so.
    e.ui->clear();
    EXPECT_EQ(run(6), 0);
    EXPECT_EQ(run(10), 0);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{framed(QStringLiteral("受信データがありません。"))});
}

TEST_F(CashBookTransferTest, AgreeingToAnotherCompanyIsNoSuccessWhenTheRestoreFails) {
    SKIP_WITHOUT_RELAY(servers);
    sendFromOtherSite(5); // another company's master data
    // The work area cannot be made: the restore fails.
    const QString keptTemp = SystemDef.TempDir;
    const QString blocker = e.env.path() + QStringLiteral("/blocker");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SystemDef.TempDir = blocker + QStringLiteral("/temp");
    HikakuAnswerer company(true);
    const int result = run(10);
    SystemDef.TempDir = keptTemp;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(company.texts.value(0), QStringLiteral("商号が違いますが、受信を続行しますか？"));
    EXPECT_EQ(e.ui->messageTexts().value(0), framed(QStringLiteral("これよりデータを受信します。")));
    EXPECT_EQ(e.ui->messageTexts().last(), kIncomplete);
    EXPECT_TRUE(requests("1750").isEmpty());
    EXPECT_TRUE(QFileInfo::exists(remote("/03/placc.wen")));
}
