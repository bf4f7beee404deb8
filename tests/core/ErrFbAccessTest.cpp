#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbError.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kRestart = QStringLiteral("\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]"
                                        "後、何回かメッセージが表示される場合があります）"
                                        "\rアプリケーションが終了しましたら再起動して下さい。\r");
const QString kNetwork = QStringLiteral("何らかの原因でネットワークが物理的に切断されている か "
                                        "Firebirdサービス(RDBMS)との通信が切断されました。");
const QString kSharedNote = QStringLiteral("\r※注意 共有サーバーのデータ利用時は自動保管されません。\r");

class ErrFbAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        SystemDef.LogDir = env.path() + QStringLiteral("/log");
        QDir().mkpath(SystemDef.LogDir);
        SystemDef.PCName = QStringLiteral("PC01");
        SystemDef.OPCODE = 10003;
        ErrLogDatabaseNameProc = [] { return QStringLiteral("/srv/data/0001/placc.fdb"); };
        TerminateApplicationProc = [this] { ++terminations; };
    }
    void TearDown() override {
        ErrLogDatabaseNameProc = nullptr;
        TerminateApplicationProc = RequestApplicationTerminate;
        ResetProcessState();
    }
    QByteArray readLog(const char* ext) const {
        QFile f(SystemDef.LogDir + QStringLiteral("/ErrFbAccess.") + QLatin1String(ext));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    testenv::TempEnvironment env;
    ui::ScopedScriptedUi shown;
    int terminations = 0;
};

TEST_F(ErrFbAccessTest, LockConflictLogsTwoCp932LinesAndShowsTheDetail) {
    const fb::Error error(QStringLiteral("lock conflict on no wait transaction 更新"), 335544345, -901);
    ErrFbAccess(error, QStringLiteral("TDM.fnUpdate"), QStringLiteral("更新に失敗しました。"));

    const QString explanation = QStringLiteral("（NO WAIT トランザクションのロックが衝突しています）");
    const QByteArray log = readLog("log");
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith('\r') && lines[1].endsWith('\r') && lines[2].isEmpty());
    const QRegularExpression line1(QStringLiteral(
        R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d,PC01,10003,Serial=,AppVer=,DBName=:/srv/data/0001/placc.fdb,DataVer=\r$)"));
    EXPECT_TRUE(line1.match(cp932::decode(lines[0])).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(lines[1], cp932::encode(QStringLiteral("Error=TDM.fnUpdate [335544345] (-901) ") + explanation +
                                      QStringLiteral(",lock conflict on no wait transaction 更新\r")));
    EXPECT_EQ(readLog("txt"), log);

    ASSERT_EQ(shown->shown().size(), 1u);
    const ui::MessageRequest& box = shown->shown()[0].message;
    EXPECT_EQ(box.kind, ui::MsgKind::Error);
    EXPECT_EQ(box.buttons, ui::Buttons(ui::mbOK));
    EXPECT_EQ(box.text, QStringLiteral("更新に失敗しました。\r\r[詳細情報]\rIBXエラーコード:335544345\r"
                                       "lock conflict on no wait transaction 更新\r") +
                            explanation);
    EXPECT_EQ(DbFatalError, 0);
    EXPECT_EQ(terminations, 0);

    // The log grows, the last-error file holds only the latest report.
    ErrFbAccess(fb::Error(QStringLiteral("second"), 335544580, -204), QStringLiteral("T.M"), QString());
    EXPECT_EQ(readLog("log").count('\n'), 4);
    EXPECT_EQ(readLog("txt").count('\n'), 2);
    EXPECT_TRUE(cp932::decode(readLog("txt"))
                    .contains(QStringLiteral("[335544580] (-204) （未知のテーブルです）,second")));
    EXPECT_EQ(shown->shown().size(), 1u) << "an empty message shows nothing";
}

TEST_F(ErrFbAccessTest, LostConnectionIsFatalEndsTheProgramAndSilencesLaterReports) {
    SystemDef.HOSTNAME = QStringLiteral("server1");
    ErrFbAccess(fb::Error(QStringLiteral("connection lost"), IscNetworkError, -902),
                QStringLiteral("TDM.Run"), QStringLiteral("caller text"));

    EXPECT_EQ(DbFatalError, 1);
    EXPECT_EQ(terminations, 1);
    ASSERT_EQ(shown->messageTexts(), QStringList{kNetwork + kRestart + kSharedNote});
    EXPECT_EQ(shown->shown()[0].message.kind, ui::MsgKind::Error);
    EXPECT_EQ(shown->shown()[0].message.buttons, ui::Buttons(ui::mbOK));
    const QString log = cp932::decode(readLog("log"));
    EXPECT_TRUE(log.contains(QStringLiteral(",DBName=server1:/srv/data/0001/placc.fdb,")));
    EXPECT_TRUE(log.contains(QStringLiteral("Error=TDM.Run [335544721] (-902)  ,connection lost\r\n")));

    const QByteArray before = readLog("log");
    ErrFbAccess(fb::Error(QStringLiteral("again"), 335544345, -901), QStringLiteral("TDM.Run"),
                QStringLiteral("x"));
    EXPECT_EQ(readLog("log"), before);
    EXPECT_EQ(shown->shown().size(), 1u);
    EXPECT_EQ(terminations, 1);
}

TEST_F(ErrFbAccessTest, ConsistencyErrorInServerModeHasNoSharedServerNote) {
    ConnectMode = 1;
    ErrFbAccess(fb::Error(QStringLiteral("bugcheck"), IscBugCheck, -902), QStringLiteral("T.M"), QString());
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral("（isc 内部のソフトウェア一貫性チェック）") + kRestart});
    EXPECT_EQ(DbFatalError, 1);
    EXPECT_EQ(terminations, 1);
}

TEST_F(ErrFbAccessTest, UnwritableLogStillReportsAndEndsTheProgram) {
    SystemDef.LogDir = env.path() + QStringLiteral("/missing/log");
    ErrFbAccess(fb::Error(QStringLiteral("m"), 335544345, -901), QStringLiteral("T.M"),
                QStringLiteral("msg"));
    ASSERT_EQ(shown->shown().size(), 1u);
    EXPECT_TRUE(shown->messageTexts()[0].startsWith(QStringLiteral("msg\r\r[詳細情報]")));
    EXPECT_EQ(DbFatalError, 0);

    ErrFbAccess(fb::Error(QStringLiteral("m"), IscNetworkError, -902), QStringLiteral("T.M"), QString());
    EXPECT_EQ(shown->shown().size(), 2u);
    EXPECT_EQ(DbFatalError, 1);
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(QFile::exists(SystemDef.LogDir + QStringLiteral("/ErrFbAccess.log")));
}

TEST_F(ErrFbAccessTest, WithoutALogFolderNothingIsWrittenButTheBoxIsShown) {
    SystemDef.LogDir.clear();
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(env.path());
    ErrFbAccess(fb::Error(QStringLiteral("m"), 335544345, -901), QStringLiteral("T.M"),
                QStringLiteral("msg"));
    QDir::setCurrent(cwd);
    EXPECT_EQ(shown->shown().size(), 1u);
    EXPECT_FALSE(QFile::exists(QStringLiteral("/ErrFbAccess.log")));
    EXPECT_TRUE(QDir(env.path()).entryList({QStringLiteral("ErrFbAccess*")}).isEmpty());
}

TEST_F(ErrFbAccessTest, DefaultTerminationEndsTheEventLoopAfterTheReportReturns) {
    TerminateApplicationProc = RequestApplicationTerminate;
    bool returned = false;
    QTimer::singleShot(0, [&] {
        ErrFbAccess(fb::Error(QStringLiteral("lost"), IscNetworkError, -902), QStringLiteral("T.M"),
                    QString());
        returned = true;
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(returned);
    EXPECT_EQ(shown->shown().size(), 1u);
}

TEST(IscErrorText, QuotedRowsAndSqlCodeDependentRows) {
    struct Case {
        qint64 code;
        int sql;
        const char16_t* text;
    };
    const Case cases[] = {
        {335544321, 0, u"（算術式の例外，数値のオーバーフロー，文字列の切り捨てのいずれかが発生しました）"},
        {335544333, 0, u"（isc 内部のソフトウェア一貫性チェック）"},
        {335544336, 0, u"（デッドロック：変更できません。）"},
        {335544344, 0, u"（ファイルの入出力エラーが発生しました）"},
        {335544345, -901, u"（NO WAIT トランザクションのロックが衝突しています）"},
        {335544349, 0, u"（指定のコード（索引）は既に登録されています。『索引は重複値を格納できません』）"},
        {335544375, 0, u"（データベースが使用できません）"},
        {335544472, 0, u"（ユーザー名とパスワードが定義されていません。）"},
        {335544569, 0, u"（動的SQL エラー）"},
        {335544580, 0, u"（未知のテーブルです）"},
        {335544665, 0, u"（同じコードが登録されています。「PRIMARY KEY またはUNIQUE KEY 制約に違反」）"},
        {335544788, -901,
         u"（操作を実行することができません。データベースのSYSDBAか所有者のどちらかでなければなりません。）"},
        {335544788, -902, u" "},
        {336330766, 0, u"（データベースの上書きはできません。）"},
        {336330817, -902, u"（ディレクトリ名・データーベスに全角文字は使用できません。）"},
        {336330817, -901, u" "},
        {335544721, -902, u" "},
        {335544379, 0, u" "},
        {335544702, 0, u" "},
        {0, 0, u" "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetIscErrorText(c.code, c.sql), QString::fromUtf16(c.text)) << c.code << " " << c.sql;
}

TEST(IscErrorText, EveryListedCodeHasAParenthesisedCp932Text) {
    const qint64 runs[][2] = {{335544321, 335544378}, {335544380, 335544384}, {335544386, 335544386},
                              {335544388, 335544397}, {335544403, 335544416}, {335544418, 335544421},
                              {335544424, 335544439}, {335544441, 335544447}, {335544450, 335544467},
                              {335544469, 335544504}, {335544506, 335544701}, {335544788, 335544788},
                              {336330766, 336330766}, {336330817, 336330817}};
    int count = 0;
    for (const auto& run : runs)
        for (qint64 code = run[0]; code <= run[1]; ++code, ++count) {
            const int sql = code == 336330817 ? -902 : -901;
            const QString text = GetIscErrorText(code, sql);
            EXPECT_TRUE(text.startsWith(u'（') && text.endsWith(u'）') && text.size() > 2) << code;
            EXPECT_TRUE(cp932::canEncode(text)) << code;
        }
    EXPECT_EQ(count, 368);
}

TEST(ErrorBoxes, DetailAndCommaMessages) {
    ui::ScopedScriptedUi shown;
    ShowErrDetail(QString(), QString(), ui::MsgKind::Error);
    ShowErrDetail(QString(), QStringLiteral("D"), ui::MsgKind::Warning);
    ShowErrDetail(QStringLiteral("M"), QString(), ui::MsgKind::Information);
    ShowCommaMessage(QStringLiteral("A,,B"), ui::MsgKind::Error);
    ShowCommaMessage(QStringLiteral("削除できません。<x>//note,y"), ui::MsgKind::Confirmation);
    EXPECT_EQ(shown->messageTexts(),
              (QStringList{QStringLiteral("\r\r[詳細情報]\rD"), QStringLiteral("M"),
                           QStringLiteral("A\r\rB\r"), QStringLiteral("削除できません。<x>\r")}));
    const auto& s = shown->shown();
    EXPECT_EQ(s[0].message.kind, ui::MsgKind::Warning);
    EXPECT_EQ(s[1].message.kind, ui::MsgKind::Information);
    EXPECT_EQ(s[3].message.kind, ui::MsgKind::Confirmation);
    for (const auto& m : s)
        EXPECT_EQ(m.message.buttons, ui::Buttons(ui::mbOK));
}

} // namespace
