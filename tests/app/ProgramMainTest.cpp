// The program as a whole, started as a child process: single-instance checks, the caller protocol and
// the end of a start that cannot go on.
#include "ProgramProcess.h"

#include "platform/CallerWindow.h"
#include "platform/IniFile.h"
#include "platform/NamedMutex.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

const int kError = 1;
const int kInformation = 2;

const QString kAccountingRuns =
    QStringLiteral("Vantrel財務が起動しています。同時に起動することは出来ません。");
const QString kToolsRun =
    QStringLiteral("Vantrel財務ツールが起動しています。同時に起動することは出来ません。");
const QString kAlreadyRunning = QStringLiteral("アプリケーションは既に起動しています。");

LoggedBox information(const QString& text) {
    return {kInformation, QStringLiteral("情報"), text};
}

LoggedBox error(const QString& text) {
    return {kError, QStringLiteral("エラー"), text};
}

QStringList endOfRun(const QString& post) {
    return {QStringLiteral("disable"), QStringLiteral("foreground"), QStringLiteral("enable"), post};
}

} // namespace

TEST(ProgramStart, EachHeldMutexRefusesTheStartWithItsMessage) {
    struct Case {
        QStringList held;
        QString message;
    };
    const Case cases[] = {
        {{QStringLiteral("TESUVIO000")}, kAccountingRuns},
        {{QStringLiteral("TESUVIO_TOOLS")}, kToolsRun},
        {{QStringLiteral("CORVANE_RENDO")}, kAlreadyRunning},
        {{QStringLiteral("CORVANE_RENDO"), QStringLiteral("TESUVIO_TOOLS"), QStringLiteral("TESUVIO000")},
         kAccountingRuns},
        {{QStringLiteral("CORVANE_RENDO"), QStringLiteral("TESUVIO_TOOLS")}, kToolsRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.held.join(u',').toStdString());
        testenv::TempEnvironment env;
        std::vector<std::unique_ptr<NamedMutex>> held;
        for (const QString& name : c.held) {
            held.push_back(std::make_unique<NamedMutex>());
            ASSERT_TRUE(held.back()->create(name));
        }
        CallerWindowListener caller(77);
        ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
        program.start({QStringLiteral("77,1024,3,/tmp/out.xml")});
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_EQ(program.boxes(), std::vector<LoggedBox>({information(c.message)}));
        // Refused before the argument is read: the caller hears nothing.
        EXPECT_FALSE(caller.waitForMessages(1, 200));
    }
}

TEST(ProgramStart, ASecondCopyIsRefusedWhileTheFirstRunsOn) {
    testenv::TempEnvironment env;
    testenv::registerAccountingProduct();
    CallerWindowListener caller(5);
    ProgramProcess first(env.path() + QStringLiteral("/first.log"));
    first.start({QStringLiteral("5,100,1,/tmp/a.xml")});
    ASSERT_TRUE(caller.waitForMessages(1)); // disabled: the first copy has its mutex by now
    EXPECT_EQ(caller.messages(), QStringList({QStringLiteral("disable")}));

    ProgramProcess second(env.path() + QStringLiteral("/second.log"));
    second.start({QStringLiteral("5,100,1,/tmp/a.xml")});
    ASSERT_TRUE(second.waitForFinished());
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(second.boxes(), std::vector<LoggedBox>({information(kAlreadyRunning)}));

    EXPECT_TRUE(first.isRunning());
    EXPECT_TRUE(first.boxes().empty());
    EXPECT_EQ(caller.messages(), QStringList({QStringLiteral("disable")}));

    // A close request from outside ends it like the close box.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished());
    EXPECT_EQ(first.exitCode(), 1);
    ASSERT_TRUE(caller.waitForMessages(4));
    EXPECT_EQ(caller.messages(), endOfRun(QStringLiteral("post 100 1 1")));
    EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));
}

TEST(ProgramStart, ClosingTheMainWindowEndsWithExitCode1AndReleasesTheMutex) {
    testenv::TempEnvironment env;
    testenv::registerAccountingProduct();
    CallerWindowListener caller(9);
    ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
    program.setEnv(QStringLiteral("QV_TEST_AUTOCLOSE_MS"), QStringLiteral("0"));
    program.start({QStringLiteral("9,2000,5,/tmp/out.xml")});
    ASSERT_TRUE(program.waitForFinished());
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.boxes().empty());
    ASSERT_TRUE(caller.waitForMessages(4));
    EXPECT_EQ(caller.messages(), endOfRun(QStringLiteral("post 2000 5 1")));
    EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));

    // Standalone the same close ends the same way, with nobody to tell.
    ProgramProcess standalone(env.path() + QStringLiteral("/standalone.log"));
    standalone.setEnv(QStringLiteral("QV_TEST_AUTOCLOSE_MS"), QStringLiteral("0"));
    standalone.start();
    ASSERT_TRUE(standalone.waitForFinished());
    EXPECT_EQ(standalone.exitCode(), 1);
    EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));
}

TEST(ProgramStart, ProductIdentityProblemsEndTheStartAndTheCallerGetsExitCode2) {
    enum Setup { Missing, NoEdition, Unreadable };
    struct Case {
        Setup setup;
        QString message;
    };
    const Case cases[] = {
        {Missing, QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                                 "が見つかりませんでした。\rアプリケーションを強制終了します。")},
        {NoEdition, QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                                   "の値を参照できませんでした。\rアプリケーションを強制終了します。")},
        {Unreadable, QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                                    "を参照できませんでした。\rアプリケーションを強制終了します。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.setup));
        testenv::TempEnvironment env;
        const QString programDir = env.path() + QStringLiteral("/bin");
        QDir().mkpath(programDir);
        if (c.setup == NoEdition) {
            QFile f(programDir + QStringLiteral("/AppInfo.ini"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Application]\r\nOEM=\r\nSince=2009-2019\r\n[Zaimu]\r\nAppName=plzaimu\r\n");
        } else if (c.setup == Unreadable) {
            QDir().mkpath(programDir + QStringLiteral("/AppInfo.ini"));
        }
        CallerWindowListener caller(3);
        ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
        program.setEnv(QStringLiteral("QV_PROGRAM_DIR"), programDir);
        program.start({QStringLiteral("3,700,8,/tmp/out.xml")});
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), 2);
        EXPECT_EQ(program.boxes(), std::vector<LoggedBox>({error(c.message)}));
        ASSERT_TRUE(caller.waitForMessages(4));
        EXPECT_EQ(caller.messages(), endOfRun(QStringLiteral("post 700 8 2")));
        EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));
    }
}

TEST(ProgramStart, InvalidArgumentsEndWithTheirBoxAndNoCallerCall) {
    const QString message =
        QStringLiteral("不正な引数が渡されました。\r\rアプリケーションを強制終了します。");
    const QStringList cases[] = {
        {QStringLiteral("6,100,1,/tmp/a.xml"), QStringLiteral("extra")},
        {QStringLiteral("6,abc,1,/tmp/a.xml")},
        {QStringLiteral("6,100,1x,/tmp/a.xml")},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        testenv::TempEnvironment env;
        CallerWindowListener caller(6);
        ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
        program.start(args);
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), 2);
        EXPECT_EQ(program.boxes(), std::vector<LoggedBox>({error(message)}));
        EXPECT_FALSE(caller.waitForMessages(1, 200));
        EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));
    }
}

// A lock file that cannot be made or opened says so: it is no sign of another copy.
TEST(ProgramStart, ALockFileThatCannotBeMadeEndsTheStartWithItsReason) {
    const QString lockFile = QStringLiteral("/CORVANE_RENDO.lock");
    for (const bool runtimeIsAFile : {true, false}) {
        SCOPED_TRACE(runtimeIsAFile ? "runtime folder is a file" : "lock file is a folder");
        testenv::TempEnvironment env;
        if (runtimeIsAFile) {
            QDir(env.runtime()).removeRecursively();
            ASSERT_TRUE(testenv::writeFile(env.runtime(), "not a folder"));
        } else {
            ASSERT_TRUE(QDir().mkpath(env.runtime() + lockFile));
        }
        ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
        program.start({QStringLiteral("0,1024,3,/tmp/out.xml")});
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), 2);
        const std::vector<LoggedBox> boxes = program.boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, kError);
        EXPECT_TRUE(
            boxes[0].text.startsWith(QStringLiteral("ロックファイルを作成できないため、起動できません。\r")))
            << boxes[0].text.toStdString();
        EXPECT_TRUE(boxes[0].text.contains(env.runtime() + lockFile)) << boxes[0].text.toStdString();
    }
}

// The logon comes when the window is first shown: a logon that fails ends the run with exit code 2.
TEST(ProgramStart, AFailedLogonEndsTheRunWithExitCode2) {
    testenv::TempEnvironment env;
    testenv::registerAccountingProduct();
    testenv::DataRoot root;
    CallerWindowListener caller(11);
    ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
    program.setEnv(QStringLiteral("QV_TEST_LOGON"), QStringLiteral("99"));
    program.start({QStringLiteral("11,600,4,/tmp/out.xml")});
    ASSERT_TRUE(program.waitForFinished());
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_EQ(
        program.boxes(),
        std::vector<LoggedBox>({error(QStringLiteral("コードまたはパスワードが違います。\r"
                                                     "正しいコードまたはパスワードを入力して下さい。"))}));
    ASSERT_TRUE(caller.waitForMessages(4));
    EXPECT_EQ(caller.messages(), endOfRun(QStringLiteral("post 600 4 2")));
    EXPECT_FALSE(NamedMutex::exists(QStringLiteral("CORVANE_RENDO")));
}

// SIGTERM and SIGINT with a dataset open close the program as its close box does: the dataset and the
// logon are handed back on live connections, no box appears and the caller is told the close's code.
TEST(ProgramEnd, TerminationSignalsCloseLikeTheCloseBoxWithTheDatasetOpen) {
    for (const int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(number);
        testenv::TempEnvironment env;
        testenv::registerAccountingProduct();
        testenv::DataRoot root;
        const testenv::Dataset ds = root.addDataset(testenv::CompanySpec());
        const auto status = [&ds] {
            return IniFile(ds.folder + QStringLiteral("/placc.ini")).readString("DATASTS", "STATUS");
        };
        ASSERT_EQ(status(), "1");
        CallerWindowListener caller(12);
        ProgramProcess program(env.path() + QStringLiteral("/ui.log"));
        program.setEnv(QStringLiteral("QV_TEST_LOGON"), QStringLiteral("10"));
        program.setEnv(QStringLiteral("QV_TEST_DATA"), ds.folder);
        program.start({QStringLiteral("12,700,3,") + env.path() + QStringLiteral("/out.xml")});
        // The dataset is marked in use once the wizard has it open.
        ASSERT_TRUE(QTest::qWaitFor([&] { return status() == "2" || !program.isRunning(); }, 120000));
        ASSERT_TRUE(program.isRunning());
        program.signal(number);
        ASSERT_TRUE(program.waitForFinished());
        EXPECT_EQ(program.exitCode(), 1);
        for (const LoggedBox& b : program.boxes())
            ADD_FAILURE() << "box: " << b.text.toStdString();
        EXPECT_EQ(status(), "1");
        auto db = root.connectSystem();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("SELECT COUNT(*) AS N FROM LOGONUSERLIST"));
        q.open();
        EXPECT_EQ(q.field("N").asInt(), 0);
        ASSERT_TRUE(caller.waitForMessages(4));
        EXPECT_EQ(caller.messages(), endOfRun(QStringLiteral("post 700 3 1")));
    }
}
