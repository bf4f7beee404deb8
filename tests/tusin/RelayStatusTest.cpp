// The status client against the loopback status service: the bytes of every request, the replies cut
// at their byte positions, and the texts of every failure.
#include "tusin/RelayStatus.h"
#include "RelayServers.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"
#include "support/TestEnv.h"
#include "tusin/xPzConv.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString b64(const QString& text) {
    return TxPzConv::EncodeBase64(cp932::encode(text));
}

QByteArray requestBytes(const QByteArray& query) {
    return "GET /request.php?" + query +
           " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: Tesuvio\r\nConnection: Close\r\n\r\n\r\n";
}

QByteArray firstLine(const QByteArray& request) {
    return request.left(request.indexOf("\r\n"));
}

TEST(RelayStatusTexts, EscapeQueryText) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("ab+c="), QStringLiteral("ab%2bc%3d")},
        {QStringLiteral("g2WDWINnQQ=="), QStringLiteral("g2WDWINnQQ%3d%3d")},
        {QStringLiteral("a/b%c"), QStringLiteral("a/b%c")},
        {QString(), QString()},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(EscapeQueryText(in), out) << in.toStdString();
}

TEST(RelayStatusTexts, VersionLabel) {
    struct Case {
        int major, minor;
        QString label;
    };
    const Case cases[] = {
        {0, 0, QStringLiteral("8版")},      {1, 0, QStringLiteral("09版")},
        {2, 0, QStringLiteral("10版")},     {3, 0, QStringLiteral("11版")},
        {11, 0, QStringLiteral("19版")},    {11, 1, QStringLiteral("19消改版")},
        {6, 1, QStringLiteral("14消改版")}, {11, 2, QStringLiteral("11.2")},
        {12, 3, QStringLiteral("12.3")},    {6, 2, QStringLiteral("6.2")},
        {1, 1, QStringLiteral("1.1")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionLabel(c.major, c.minor), c.label) << c.major << "." << c.minor;
}

TEST(RelayStatusTexts, ValuesAreCutAtBytePositions) {
    // A label of double-byte characters: positions count bytes, not characters.
    const QByteArray line = cp932::encode(QStringLiteral("結果コード000"));
    EXPECT_EQ(RelayCodeOf(line), QStringLiteral("000"));
    EXPECT_EQ(RelayCodeOf(cp932::encode(QStringLiteral("結果コード00"))), QStringLiteral("00"));
    EXPECT_EQ(RelayValueFrom(cp932::encode(QStringLiteral("データ名  x")), 11), QByteArray("x"));
    EXPECT_EQ(RelayValueFrom("short", 8), QByteArray());
}

class RelayStatus : public ::testing::Test {
protected:
    RelayServers servers;
    ui::ScopedScriptedUi ui;
    TRelayContext context;
    void SetUp() override {
        if (!servers.available())
            return;
        context.GeneralId = servers.addId();
        context.GeneralPassword = QStringLiteral("gpw123");
    }
};

TEST_F(RelayStatus, FolderInformationIsReadAtItsPositions) {
    SKIP_WITHOUT_RELAY(servers);
    const QString id = context.GeneralId;
    servers.entry(id, "folder", 1,
                  {{"DataName", b64(QStringLiteral("株式会社テスト"))},
                   {"FiscalYear", "5"},
                   {"PeriodStart", "2025/04/01 00:00:00"},
                   {"PeriodEnd", "2026/03/31 00:00:00"},
                   {"SendTime", "2026/01/02 03:04:05"},
                   {"Password", "abc123"},
                   {"Version", "1101"},
                   {"ReceiveTime", "2026/01/03 10:20:30"}});
    // Received before the last send: no receive time.
    servers.entry(id, "folder", 2,
                  {{"DataName", b64(QStringLiteral("B"))},
                   {"SendTime", "2026/02/01 09:00:00"},
                   {"ReceiveTime", "2026/01/01 09:00:00"}});
    TRelayServerInfo info;
    info.Entries[3].FiscalYear = QStringLiteral("before");
    info.Entries[3].Password = QStringLiteral("before");
    ASSERT_EQ(RequestServerInfo(info, 1, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_TRUE(ui->shown().empty());

    EXPECT_EQ(servers.log(id),
              QList<QByteArray>{requestBytes("Scode=1720&sSno=SER-0001&sFName=" + id.toLatin1())});
    EXPECT_EQ(info.FtpHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(info.FtpPassword, servers.ftpPassword);
    EXPECT_EQ(info.Serial, QStringLiteral("SER-0001"));
    const TRelayServerEntry& e = info.Entries[0];
    EXPECT_EQ(e.DataName, QStringLiteral("株式会社テスト"));
    EXPECT_EQ(e.FiscalYear, QStringLiteral("5"));
    EXPECT_EQ(e.PeriodStart, QStringLiteral("2025/04/01 00:00"));
    EXPECT_EQ(e.PeriodEnd, QStringLiteral("2026/03/31 00:00"));
    EXPECT_EQ(e.PeriodEndText, e.PeriodEnd);
    EXPECT_EQ(e.SendTime, QStringLiteral("2026/01/02 03:04"));
    EXPECT_EQ(e.Password, QStringLiteral("abc123"));
    EXPECT_EQ(e.Version, QStringLiteral("1101"));
    EXPECT_EQ(e.ReceiveTime, QStringLiteral("2026/01/03 10:20"));
    EXPECT_EQ(e.ReceiveTimeText, QStringLiteral("2026/01/03 10:20"));
    EXPECT_EQ(info.Entries[1].SendTime, QStringLiteral("2026/02/01 09:00"));
    EXPECT_EQ(info.Entries[1].ReceiveTimeText, QStringLiteral("-"));
    // A blank folder keeps what it had.
    EXPECT_EQ(info.Entries[3].DataName, QString());
    EXPECT_EQ(info.Entries[3].FiscalYear, QStringLiteral("before"));
    EXPECT_EQ(info.Entries[3].Password, QStringLiteral("before"));
}

TEST_F(RelayStatus, AreaInformationAndTheKeysOfEachKind) {
    SKIP_WITHOUT_RELAY(servers);
    const QString id = context.GeneralId;
    const QJsonObject common{{"FiscalYear", "3"},
                             {"PeriodStart", "2024/04/01 00:00:00"},
                             {"PeriodEnd", "2025/03/31 00:00:00"},
                             {"SendTime", "2026/01/02 03:04:05"},
                             {"ReceiveTime", "2026/01/01 08:00:00"},
                             {"UserOperator", b64(QStringLiteral("  10山田太郎"))},
                             {"UserComputer", b64(QStringLiteral("PC-01"))}};
    QJsonObject inUse = common, free = common, neverUsed = common;
    inUse.insert("DataName", b64(QStringLiteral("共有データ")));
    inUse.insert("ShareStatus", "2");
    free.insert("DataName", b64(QStringLiteral("空き")));
    free.insert("ShareStatus", "1");
    neverUsed.insert("DataName", b64(QStringLiteral("未使用")));
    neverUsed.insert("ReceiveTime", "0000/00/00 00:00:00");
    servers.entry(id, "area", 1, inUse);
    servers.entry(id, "area", 2, free);
    servers.entry(id, "area", 3, neverUsed);
    TRelayServerInfo info;
    info.Entries[3].UserOperator = QStringLiteral("left over");
    info.Entries[3].FiscalYear = QStringLiteral("before");
    ASSERT_EQ(RequestServerInfo(info, 20, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.Entries[0].ShareStatus, QStringLiteral("2"));
    EXPECT_EQ(info.Entries[0].UserOperator, QStringLiteral("  10山田太郎"));
    EXPECT_EQ(info.Entries[0].UserComputer, QStringLiteral("PC-01"));
    EXPECT_EQ(info.Entries[0].LastUpdateFull, QStringLiteral("2026/01/02 03:04:05"));
    // Areas take the receive time without comparing it with the send.
    EXPECT_EQ(info.Entries[0].ReceiveTimeText, QStringLiteral("2026/01/01 08:00"));
    EXPECT_EQ(info.Entries[1].ShareStatus, QStringLiteral("1"));
    EXPECT_EQ(info.Entries[1].UserOperator, QString());
    EXPECT_EQ(info.Entries[1].UserComputer, QString());
    EXPECT_EQ(info.Entries[2].ReceiveTimeText, QStringLiteral("-"));
    EXPECT_EQ(info.Entries[3].UserOperator, QString());
    EXPECT_EQ(info.Entries[3].FiscalYear, QStringLiteral("before"));

    context.Automatic = true;
    EXPECT_EQ(RequestServerInfo(info, 26, context, servers.settings), TRelayOutcome::Ok);
    context.TavrinoEdition = true;
    EXPECT_EQ(RequestServerInfo(info, 21, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(RequestServerInfo(info, 2, context, servers.settings), TRelayOutcome::Ok);
    const QByteArray general = "&sSno=SER-0001&sFName=" + id.toLatin1();
    const QList<QByteArray> expected = {requestBytes("Scode=1725" + general + "&sRendou=0"),
                                        requestBytes("Scode=1725" + general + "&sRendou=1"),
                                        requestBytes("Scode=1725" + general + "&sTRKubn=10"),
                                        requestBytes("Scode=1720" + general + "&sTRKubn=10")};
    EXPECT_EQ(servers.log(id), expected);

    // Every other kind asks for the folders of the cash-book pair.
    context.CashId = servers.addId();
    for (int kind : {3, 23}) {
        EXPECT_EQ(RequestServerInfo(info, kind, context, servers.settings), TRelayOutcome::Ok);
        EXPECT_EQ(info.FtpPassword, servers.ftpPassword);
    }
    const QByteArray cash =
        requestBytes("Scode=1720&sSno=SER-0001&sFName=" + context.CashId.toLatin1() + "&sTRKubn=2");
    EXPECT_EQ(servers.log(context.CashId), (QList<QByteArray>{cash, cash}));
}

TEST_F(RelayStatus, StepRequestsSendTheirKeysAndReadTheirTimes) {
    SKIP_WITHOUT_RELAY(servers);
    const QString id = context.GeneralId;
    servers.clock(id, QStringLiteral("2026/12/10 12:34:56"));
    const QString ftpHome = servers.folder + QStringLiteral("/ftp/") + id;
    TRelayServerInfo info;
    TRelaySentData sent;
    sent.DataName = QStringLiteral("テストA");
    sent.FiscalYear = 7;
    sent.PeriodStart = TDateTime::fromDate(2025, 4, 1);
    sent.PeriodEnd = TDateTime::fromDate(2026, 3, 31);
    sent.OperatorText = QStringLiteral("  10山田");
    sent.ComputerText = QStringLiteral("PC+1");
    const QByteArray name = "g2WDWINnQQ%3d%3d";
    const QByteArray op = RelayNameValue(sent.OperatorText), pc = RelayNameValue(sent.ComputerText);
    EXPECT_EQ(pc, QByteArray("UEMrMQ%3d%3d"));

    ASSERT_EQ(RequestSendComplete(info, 1820, 2, sent, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.Entries[1].SendTime, QStringLiteral("20261210123456"));
    EXPECT_EQ(info.Entries[1].ReceiveTimeText, QStringLiteral("-"));
    ASSERT_EQ(RequestServerInfo(info, 1, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.Entries[1].DataName, QStringLiteral("テストA"));
    EXPECT_EQ(info.Entries[1].PeriodStart, QStringLiteral("2025/04/01 00:00"));
    EXPECT_EQ(info.Entries[1].Password, QStringLiteral("gpw123"));
    EXPECT_EQ(info.Entries[1].Version, QStringLiteral("0000"));

    ASSERT_EQ(RequestReceiveComplete(info, 2, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.Entries[1].ReceiveTime, QStringLiteral("2026/12/10 12:34"));
    EXPECT_EQ(info.Entries[1].ReceiveTimeText, QStringLiteral("2026/12/10 12:34"));

    QByteArray timeLine;
    ASSERT_EQ(RequestAreaUse(info, TAreaUsePurpose::BeforeReceive, 3, sent.OperatorText, sent.ComputerText,
                             context, &timeLine, servers.settings),
              TRelayOutcome::Ok);
    EXPECT_EQ(timeLine, QByteArray("2026/12/10 12:34:56"));
    EXPECT_EQ(info.ServerTimeText, QStringLiteral("2026/12/10 12:34:56"));
    EXPECT_EQ(info.ServerTime.toDateTime(), QDateTime(QDate(2026, 12, 10), QTime(12, 34, 56)));
    EXPECT_EQ(servers.state(id)["areas"].toArray()[2].toObject()["ShareStatus"].toString(),
              QStringLiteral("2"));

    servers.clock(id, QStringLiteral("2026/12/11 01:02:03"));
    sent.VersionMajor = 11;
    sent.VersionMinor = 1;
    ASSERT_EQ(RequestSendComplete(info, 1823, 3, sent, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.ServerTimeText, QStringLiteral("2026/12/11 01:02:03"));
    EXPECT_EQ(info.Entries[2].ReceiveTimeText, QStringLiteral("-"));

    ASSERT_EQ(RequestShareStatus(3, 1, sent.OperatorText, sent.ComputerText, context, servers.settings),
              TRelayOutcome::Ok);
    EXPECT_EQ(servers.state(id)["areas"].toArray()[2].toObject()["ShareStatus"].toString(),
              QStringLiteral("1"));

    ASSERT_TRUE(testenv::writeFile(ftpHome + QStringLiteral("/02/placc.wen"), "package"));
    ASSERT_TRUE(testenv::writeFile(ftpHome + QStringLiteral("/03/cplacc.wen"), "package"));
    ASSERT_EQ(RequestDeleteData(false, false, 2, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_FALSE(QFile::exists(ftpHome + QStringLiteral("/02/placc.wen")));
    EXPECT_EQ(servers.state(id)["folders"].toArray()[1].toObject()["DataName"].toString(), QString());
    ASSERT_EQ(RequestDeleteData(true, false, 3, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_FALSE(QFile::exists(ftpHome + QStringLiteral("/03/cplacc.wen")));

    const QByteArray g = "&sSno=SER-0001&sFName=" + id.toLatin1();
    const QByteArray keys = "&fSg=" + name + "&fNe=7&fKis=202504010000&fKie=202603310000&fPa=gpw123";
    const QList<QByteArray> expected = {
        "GET /request.php?Scode=1820" + g + "&fSname=02" + keys + "&fYobi=0000 HTTP/1.0",
        "GET /request.php?Scode=1720" + g + " HTTP/1.0",
        "GET /request.php?Scode=1830" + g + "&fSname=02 HTTP/1.0",
        "GET /request.php?Scode=1833" + g + "&fSname=03&fOpName=" + op + "&fPcName=" + pc + " HTTP/1.0",
        "GET /request.php?Scode=1823" + g + "&fSname=03" + keys + "&fYobi=1101&fOpName=" + op +
            "&fPcName=" + pc + " HTTP/1.0",
        "GET /request.php?Scode=1730" + g + "&fSname=03&fShare=1&fOpName=" + op + "&fPcName=" + pc +
            " HTTP/1.0",
        "GET /request.php?Scode=1750" + g + "&fSname=02 HTTP/1.0",
        "GET /request.php?Scode=1753" + g + "&fSname=03 HTTP/1.0",
    };
    QList<QByteArray> logged;
    for (const QByteArray& r : servers.log(id)) {
        logged << firstLine(r);
        EXPECT_TRUE(
            r.endsWith("\r\nHost: 127.0.0.1\r\nUser-Agent: Tesuvio\r\nConnection: Close\r\n\r\n\r\n"));
    }
    EXPECT_EQ(logged, expected);

    // The cash-book send reports with the cash-book pair.
    context.CashId = servers.addId();
    context.CashPassword = QStringLiteral("cpw");
    servers.clock(context.CashId, QStringLiteral("2026/12/12 00:00:01"));
    sent.DataName = QStringLiteral("商号");
    ASSERT_EQ(RequestSendComplete(info, 1810, 1, sent, context, servers.settings), TRelayOutcome::Ok);
    EXPECT_EQ(info.Entries[0].SendTime, QStringLiteral("20261212000001"));
    EXPECT_EQ(firstLine(servers.log(context.CashId).value(0)),
              "GET /request.php?Scode=1810&sSno=SER-0001&sFName=" + context.CashId.toLatin1() +
                  "&fSname=01&fSg=j6SNhg%3d%3d&fNe=7&fKis=202504010000&fKie=202603310000&fPa=cpw&fYobi=1101 "
                  "HTTP/1.0");
    EXPECT_TRUE(ui->shown().empty());
}

TEST_F(RelayStatus, FailuresShowTheirTexts) {
    SKIP_WITHOUT_RELAY(servers);
    const QString connect = QStringLiteral("　\r\nサーバーに接続出来ません。\r\n ");
    const QString refused = QStringLiteral("　\r\nサーバーに接続出来ません、通信IDを確認して下さい。\r\n ");
    auto service = [](const QString& prefix, const QString& code) {
        return QStringLiteral("　\r\n") + prefix + QStringLiteral("サーバーエラー(") + code +
               QStringLiteral(")\r\n ");
    };
    auto connectStep = [](const QString& step) {
        return QStringLiteral("　\r\nサーバーに接続出来ません。(") + step + QStringLiteral(")\r\n ");
    };
    TRelayServerInfo info;
    const TRelaySentData sent;
    using Call = std::function<TRelayOutcome(const TRelayContext&, const TRelaySettings&)>;
    const Call infoCall = [&info](const TRelayContext& c, const TRelaySettings& s) {
        return RequestServerInfo(info, 1, c, s);
    };
    const Call send = [&](const TRelayContext& c, const TRelaySettings& s) {
        return RequestSendComplete(info, 1820, 1, sent, c, s);
    };
    const Call receive = [&](const TRelayContext& c, const TRelaySettings& s) {
        return RequestReceiveComplete(info, 1, c, s);
    };
    auto areaUse = [&](TAreaUsePurpose p) {
        return Call([&info, p](const TRelayContext& c, const TRelaySettings& s) {
            return RequestAreaUse(info, p, 1, QStringLiteral("op"), QStringLiteral("pc"), c, nullptr, s);
        });
    };
    const Call remove = [](const TRelayContext& c, const TRelaySettings& s) {
        return RequestDeleteData(false, false, 1, c, s);
    };
    const Call share = [](const TRelayContext& c, const TRelaySettings& s) {
        return RequestShareStatus(1, 1, QStringLiteral("op"), QStringLiteral("pc"), c, s);
    };
    struct Case {
        const char* what;
        const char* fault; // nullptr: none; "unknown": an ID the service does not know
        QString value;
        Call call;
        TRelayOutcome outcome;
        QString text; // empty: no message
    };
    const Case cases[] = {
        {"unknown id", "unknown", {}, infoCall, TRelayOutcome::Refused, refused},
        {"other code", "code", "999", infoCall, TRelayOutcome::ServiceError, service({}, "999")},
        {"short code line", "short", {}, infoCall, TRelayOutcome::ServiceError, service({}, "00")},
        {"leading blank lines", "blank", "3", infoCall, TRelayOutcome::Ok, {}},
        {"cut reply", "cut", "40", infoCall, TRelayOutcome::ConnectionFailed, connect},
        {"cut before the code", "cut", "4", infoCall, TRelayOutcome::ConnectionFailed, connect},
        {"service down", "down", {}, infoCall, TRelayOutcome::ConnectionFailed, connect},
        {"send complete code", "code", "999", send, TRelayOutcome::ServiceError, service({}, "999")},
        {"send complete down", "down", {}, send, TRelayOutcome::ConnectionFailed, connectStep("完了処理")},
        {"send complete unknown id", "unknown", {}, send, TRelayOutcome::ServiceError, service({}, "920")},
        {"receive complete code", "code", "999", receive, TRelayOutcome::ServiceError,
         service("完了処理", "999")},
        {"receive complete cut", "cut", "5", receive, TRelayOutcome::ConnectionFailed,
         connectStep("完了処理")},
        {"use before send", "code", "998", areaUse(TAreaUsePurpose::BeforeSend), TRelayOutcome::ServiceError,
         service("送信開始処理", "998")},
        {"use before send down",
         "down",
         {},
         areaUse(TAreaUsePurpose::BeforeSend),
         TRelayOutcome::ConnectionFailed,
         connectStep("送信開始処理")},
        {"use before receive", "code", "997", areaUse(TAreaUsePurpose::BeforeReceive),
         TRelayOutcome::ServiceError, service("受信開始処理", "997")},
        {"use before receive down",
         "down",
         {},
         areaUse(TAreaUsePurpose::BeforeReceive),
         TRelayOutcome::ConnectionFailed,
         connectStep("受信開始処理")},
        {"receive notice", "code", "996", areaUse(TAreaUsePurpose::ReceiveNotice),
         TRelayOutcome::ServiceError, service("完了処理", "996")},
        {"delete unknown id", "unknown", {}, remove, TRelayOutcome::ServiceError, service({}, "920")},
        {"delete down", "down", {}, remove, TRelayOutcome::ConnectionFailed, connect},
        {"share status unknown id", "unknown", {}, share, TRelayOutcome::Refused, refused},
        {"share status code", "code", "999", share, TRelayOutcome::ServiceError, service({}, "999")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui->clear();
        TRelayContext ctx;
        ctx.GeneralId = QStringLiteral("nobody");
        if (qstrcmp(c.fault, "unknown") != 0) {
            ctx.GeneralId = servers.addId();
            servers.fault(ctx.GeneralId, QString::fromLatin1(c.fault), c.value);
        }
        EXPECT_EQ(c.call(ctx, servers.settings), c.outcome);
        EXPECT_EQ(ui->messageTexts(), c.text.isEmpty() ? QStringList() : QStringList{c.text});
        for (const auto& shown : ui->shown())
            EXPECT_EQ(shown.message.kind, ui::MsgKind::Error);
    }

    // The share-status request leaves a connection failure to its caller.
    ui->clear();
    TRelayContext down;
    down.GeneralId = servers.addId();
    servers.fault(down.GeneralId, QStringLiteral("down"));
    EXPECT_THROW(share(down, servers.settings), ERelayConnection);
    EXPECT_TRUE(ui->shown().empty());
}

TEST_F(RelayStatus, CertificateAndHostAreVerified) {
    SKIP_WITHOUT_RELAY(servers);
    const QString connect = QStringLiteral("　\r\nサーバーに接続出来ません。\r\n ");
    TRelaySettings otherCa = servers.settings;
    otherCa.CaFile = servers.otherCaFile;
    TRelaySettings otherName = servers.settings;
    otherName.StatusHost = QStringLiteral("localhost");
    TRelaySettings noCa = servers.settings;
    noCa.CaFile = servers.folder + QStringLiteral("/missing.pem");
    for (const TRelaySettings& s : {otherCa, otherName, noCa}) {
        ui->clear();
        TRelayServerInfo info;
        EXPECT_EQ(RequestServerInfo(info, 1, context, s), TRelayOutcome::ConnectionFailed);
        EXPECT_EQ(ui->messageTexts(), QStringList{connect});
    }
    EXPECT_TRUE(servers.log(context.GeneralId).isEmpty());
}

} // namespace
