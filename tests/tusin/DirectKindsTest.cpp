// The direct kinds' gates before any traffic, the comparison with a folder's copy and its dialog
// layouts, and the server check's list of the three cash-book folders.

#include "CashBookSupport.h"
#include "RelayServers.h"

#include "controls/PerfectGrid.h"
#include "platform/Cp932.h"
#include "tusin/xPzConv.h"
#include "tusin/z5DataTusin.h"
#include "tusin/z5HikakuMess2.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

// What the comparison dialog showed: the visible lines' label numbers and tops, the buttons' top and
// the dialog's height; the dialog is answered with its second button ("いいえ").
struct Shown {
    std::vector<std::pair<int, int>> lines;
    int buttons = -1, height = -1;
    QStringList texts;
    bool secondButton = false;
    QString firstButton;
};

void watchHikaku(Shown& shown, const QString& shot) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [&shown, timer, shot] {
        TfmHikakuMess2* d = fmHikakuMess2;
        if (!d || !d->isVisible())
            return;
        for (int n = 1; n <= 9; ++n) {
            if (!d->label(n)->isVisibleTo(d))
                continue;
            if (n >= 3)
                shown.lines.emplace_back(n, d->label(n)->y());
            shown.texts << d->label(n)->text();
        }
        shown.buttons = d->Button1()->y();
        shown.height = d->height();
        shown.firstButton = d->Button1()->text();
        shown.secondButton = d->Button2()->isVisibleTo(d);
        QDir().mkpath(QStringLiteral("/tmp/i31"));
        d->grab().save(QStringLiteral("/tmp/i31/") + shot + QStringLiteral(".png"));
        (shown.secondButton ? d->Button2() : d->Button1())->click();
        timer->stop();
        timer->deleteLater();
    });
    timer->start(20);
}

class DirectKindsTest : public CashBookTest {
protected:
    void SetUp() override {
        CashBookTest::SetUp();
        open.execute(QStringLiteral("UPDATE TUSIN_ID SET HOLDER = 'cb01', PASWORD = 'cpw1' WHERE REC = 1"));
        ASSERT_TRUE(dm->fnGetAccInfo());
    }
    void TearDown() override {
        TfmDataTusin::CashBookUpdaterOpen = nullptr;
        RelaySettings() = TRelaySettings();
        CashBookTest::TearDown();
    }
    // A relay entry like the open dataset's own copy.
    static TRelayServerEntry sameEntry() {
        TRelayServerEntry e;
        e.DataName = AccInf.SHOUGOU;
        e.Password = QStringLiteral("cpw1");
        e.PeriodStart = QStringLiteral("2024/04/01 00:00:00");
        e.PeriodEnd = QStringLiteral("2025/03/31 00:00:00");
        return e;
    }
};

} // namespace

TEST_F(DirectKindsTest, GatesStopBeforeAnyRequest) {
    // A status host that is never reached: a request would show its connection failure.
    TRelaySettings nowhere;
    nowhere.StatusHost = QStringLiteral("127.0.0.1");
    nowhere.StatusPort = 1;
    nowhere.PauseMs = 0;
    const QString noId = framed(QStringLiteral("通信IDが設定されてません。通信設定で設定して下さい。"));
    const QString noPassword = framed(QStringLiteral("パスワードが設定されてません。通信設定で設定して下さい。"));
    const struct {
        int kind;
        QString holder, password;
        bool updater;
        QStringList texts;
    } cases[] = {
        // A missing pair stops every kind with -1, the automatic receive too.
        {6, QString(), QStringLiteral("cpw1"), false, {noId}},
        {6, QStringLiteral("cb01"), QString(), false, {noPassword}},
        {3, QString(), QStringLiteral("cpw1"), false, {noId}},
        {10, QStringLiteral("cb01"), QString(), false, {noPassword}},
        // The cash-book program's updater stops every send without a word.
        {3, QStringLiteral("cb01"), QStringLiteral("cpw1"), true, {}},
        {5, QStringLiteral("cb01"), QStringLiteral("cpw1"), true, {}},
        {7, QStringLiteral("cb01"), QStringLiteral("cpw1"), true, {}},
        {9, QStringLiteral("cb01"), QStringLiteral("cpw1"), true, {}},
    };
    for (const auto& c : cases) {
        AccInf.TusinHolder[1] = c.holder;
        AccInf.TusinPasword[1] = c.password;
        TfmDataTusin::CashBookUpdaterOpen = [&c] { return c.updater; };
        TfmDataTusin d;
        d.SyoriType = c.kind;
        d.Relay = nowhere;
        e.ui->clear();
        EXPECT_EQ(d.Execute(true), -1) << c.kind;
        EXPECT_EQ(e.ui->messageTexts(), c.texts) << c.kind;
    }
}

TEST_F(DirectKindsTest, MergedDataRefusesCashBookTraffic) {
    AccInf.GassanKbn = 1;
    const struct {
        int kind;
        QString text;
    } cases[] = {
        {3, QStringLiteral("現在選択中のデータは合算データのため、現金出納帳の送信処理は行えません。\r\n ")},
        {5, QStringLiteral("現在選択中のデータは合算データのため、現金出納帳の送信処理は行えません。\r\n ")},
        {4, QStringLiteral("現在選択中のデータは合算データのため、現金出納帳の受信処理は行えません。\r\n ")},
    };
    for (const auto& c : cases) {
        TfmDataTusin d;
        d.SyoriType = c.kind;
        e.ui->clear();
        EXPECT_EQ(d.Execute(true), -1);
        EXPECT_EQ(e.ui->messageTexts(), QStringList{c.text}) << c.kind;
    }
}

TEST_F(DirectKindsTest, ComparisonBeforeASend) {
    TfmDataTusin d;
    d.ServerInfo.Entries[1] = sameEntry();
    e.ui->clear();
    EXPECT_EQ(d.CompareWithServerData(1), 2);
    EXPECT_TRUE(e.ui->messageTexts().isEmpty());

    // Only the password: a plain Yes/No box.
    d.ServerInfo.Entries[1].Password = QStringLiteral("other");
    e.ui->queueAnswer(ui::mrNo);
    EXPECT_EQ(d.CompareWithServerData(1), -1);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("中継サーバーに下記相違点のあるデータが存在します。このまま送信して上書きしてもいいですか？"
                                         "\r\n\r\nパスワードが違います。")});
    e.ui->queueAnswer(ui::mrYes);
    EXPECT_EQ(d.CompareWithServerData(1), 1);

    using Lines = std::vector<std::pair<int, int>>;
    const struct {
        bool password, company, period;
        Lines lines;
        int buttons, height;
        const char* shot;
    } cases[] = {
        {true, true, true, {{3, 63}, {4, 87}, {5, 108}, {6, 124}, {7, 151}, {8, 172}, {9, 188}}, 226, 302, "all"},
        {true, false, true, {{3, 63}, {7, 89}, {8, 110}, {9, 126}}, 170, 250, "password-period"},
        {false, true, true, {{4, 69}, {5, 90}, {6, 106}, {7, 133}, {8, 154}, {9, 170}}, 220, 300, "company-period"},
        {false, true, false, {{4, 69}, {5, 90}, {6, 106}}, 150, 230, "company"},
    };
    for (const auto& c : cases) {
        TRelayServerEntry entry = sameEntry();
        if (c.password)
            entry.Password = QStringLiteral("other");
        if (c.company)
            entry.DataName = QStringLiteral("他社");
        if (c.period) {
            entry.PeriodStart = QStringLiteral("2023/04/01 00:00:00");
            entry.PeriodEnd = QStringLiteral("2024/03/31 00:00:00");
        }
        d.ServerInfo.Entries[1] = entry;
        Shown shown;
        watchHikaku(shown, QString::fromLatin1(c.shot));
        e.ui->clear();
        EXPECT_EQ(d.CompareWithServerData(1), -1) << c.shot;
        EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << c.shot;
        EXPECT_EQ(shown.lines, c.lines) << c.shot;
        EXPECT_EQ(shown.buttons, c.buttons) << c.shot;
        EXPECT_EQ(shown.height, c.height) << c.shot;
        if (c.company && c.period) {
            EXPECT_TRUE(shown.texts.contains(QStringLiteral("中継サーバーの商号：　他社"))) << c.shot;
            EXPECT_TRUE(shown.texts.contains(QStringLiteral("現在利用中の会計期間　：　2024/04/01 ～ 2025/03/31")));
            EXPECT_TRUE(shown.texts.contains(QStringLiteral("中継サーバーの会計期間：　2023/04/01 ～ 2024/03/31")));
        }
    }
}

TEST_F(DirectKindsTest, ServerCheckListsTheThreeFoldersAndF5DeletesWithoutAsking) {
    RelayServers servers;
    SKIP_WITHOUT_RELAY(servers);
    const QString id = servers.addId();
    AccInf.TusinHolder[1] = id;
    const QStringList names{QStringLiteral("出納帳商店"), QStringLiteral("送信商店"), QStringLiteral("マスター商店")};
    for (int n = 1; n <= 3; ++n)
        servers.entry(id, "folder", n,
                      {{"DataName", TxPzConv::EncodeBase64(cp932::encode(names[n - 1]))},
                       {"Password", "cpw1"},
                       {"FiscalYear", "1"},
                       {"PeriodStart", "2024/04/01 00:00:00"},
                       {"PeriodEnd", "2025/03/31 00:00:00"}});
    SystemDef.GROUPID = 10000; // the group of the fixture's dataset list
    // The colours of a new operator's settings, as the list is shown on a real start.
    SystemDef.ColHeaderColor = SysDefColorDefaults.ColHeaderColor;
    SystemDef.ClientColor = SysDefColorDefaults.ClientColor;
    SystemDef.ClientColor2 = SysDefColorDefaults.ClientColor2;
    SystemDef.ActiveColor = SysDefColorDefaults.ActiveColor;
    TfmDataTusin d;
    d.SyoriType = tkServerCheck;
    d.Relay = servers.settings;
    e.ui->clear();
    EXPECT_EQ(d.Execute(false), 0);
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
    TPerfectGrid* g = d.PerfectGrid1();
    ASSERT_EQ(g->RowCount(), 3);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("サーバー確認"));
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(g->CellText(r, 1), names[r]);
    QDir().mkpath(QStringLiteral("/tmp/i31"));
    d.grab().save(QStringLiteral("/tmp/i31/server-check.png"));

    g->SetCurrentCell(1, 1);
    d.F1Click(TfmDataTusin::kF5);
    EXPECT_EQ(e.ui->messageTexts(), QStringList{framed(QStringLiteral("中継サーバーのデータを削除しました。"))});
    EXPECT_EQ(g->CellText(1, 1), QString());
    EXPECT_EQ(g->CellText(0, 1), names[0]);
    const QJsonArray folders = servers.state(id).value("folders").toArray();
    EXPECT_EQ(folders[1].toObject().value("DataName").toString(), QString());
    EXPECT_FALSE(folders[0].toObject().value("DataName").toString().isEmpty());
    d.close();
}

TEST_F(DirectKindsTest, ReceiveRefusalsAndTheirLayouts) {
    RelayServers servers;
    SKIP_WITHOUT_RELAY(servers);
    const QString id = servers.addId();
    AccInf.TusinHolder[1] = id;
    const QString refusal = QStringLiteral("中継サーバーのデータと下記相違点があるため受信出来ません。");
    const QString switchData = QStringLiteral("データを切り換えて実行して下さい。");
    using Lines = std::vector<std::pair<int, int>>;
    const struct {
        int kind, folder;
        bool company, period;
        Lines lines;
        int buttons, height;
        bool switchLine;
        const char* shot;
    } cases[] = {
        {4, 1, true, false, {{4, 49}, {5, 70}, {6, 86}}, 130, 210, false, "refusal-4-company"},
        {4, 1, true, true, {{4, 39}, {5, 60}, {6, 76}, {7, 103}, {8, 124}, {9, 140}}, 190, 270, false, "refusal-4-both"},
        {6, 2, true, true, {{4, 69}, {5, 90}, {6, 106}, {7, 133}, {8, 154}, {9, 170}}, 220, 300, true, "refusal-6-both"},
        {10, 3, false, true, {{7, 69}, {8, 90}, {9, 106}}, 150, 230, false, "refusal-10-master-period"},
    };
    for (const auto& c : cases) {
        for (int n = 1; n <= 3; ++n)
            servers.entry(id, "folder", n, {{"DataName", ""}});
        servers.entry(id, "folder", c.folder,
                      {{"DataName", TxPzConv::EncodeBase64(cp932::encode(c.company ? QStringLiteral("他社") : AccInf.SHOUGOU))},
                       {"Password", "cpw1"},
                       {"PeriodStart", c.period ? "2023/04/01 00:00:00" : "2024/04/01 00:00:00"},
                       {"PeriodEnd", c.period ? "2024/03/31 00:00:00" : "2025/03/31 00:00:00"}});
        TfmDataTusin d;
        d.SyoriType = c.kind;
        d.Relay = servers.settings;
        Shown shown;
        watchHikaku(shown, QString::fromLatin1(c.shot));
        e.ui->clear();
        EXPECT_EQ(d.Execute(true), -1) << c.shot;
        EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << c.shot;
        EXPECT_EQ(shown.texts.value(0), refusal) << c.shot;
        EXPECT_EQ(shown.texts.contains(switchData), c.switchLine) << c.shot;
        EXPECT_EQ(shown.lines, c.lines) << c.shot;
        EXPECT_EQ(shown.buttons, c.buttons) << c.shot;
        EXPECT_EQ(shown.height, c.height) << c.shot;
        EXPECT_EQ(shown.firstButton, QStringLiteral("ＯＫ")) << c.shot;
        EXPECT_FALSE(shown.secondButton) << c.shot;
        EXPECT_EQ(d.MasterReceive, c.folder == 3 ? 1 : 0) << c.shot;
    }
    // Nothing was received, so nothing was deleted.
    for (const QByteArray& r : servers.log(id))
        EXPECT_FALSE(r.startsWith("GET /request.php?Scode=1750")) << r.toStdString();
}
