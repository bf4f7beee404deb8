#include "app/main.h"

#include "platform/CallerWindow.h"
#include "platform/UserInteraction.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The main form in this process, reading the AppInfo.ini the build puts beside the program.
struct FormFixture {
    FormFixture() { testenv::registerAccountingProduct(); }
    testenv::TempEnvironment env;
    testenv::ScopedEnv programDir{"QV_PROGRAM_DIR", testenv::buildDir() + QStringLiteral("/bin")};
    ui::ScopedScriptedUi ui;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>();
};

} // namespace

TEST(CallerArgument, FormsOfTheCommandLine) {
    struct Case {
        QStringList args;
        TArgumentKind kind;
        quint32 wnd;
        qint32 msg, wparam;
        QString file;
    };
    const Case cases[] = {
        {{}, TArgumentKind::Standalone, 0, 0, 0, {}},
        {{QStringLiteral("123,1024,7,/home/u/out.xml")},
         TArgumentKind::Caller,
         123,
         1024,
         7,
         QStringLiteral("/home/u/out.xml")},
        {{QStringLiteral("123,1024,7")}, TArgumentKind::Caller, 123, 1024, 7, {}},
        {{QStringLiteral("123,1024")}, TArgumentKind::Caller, 123, 1024, 0, {}},
        {{QStringLiteral("0,1024,7,/a.xml")}, TArgumentKind::Caller, 0, 1024, 7, QStringLiteral("/a.xml")},
        {{QStringLiteral("4294967295,-1,2147483647,/a.xml")}, TArgumentKind::Invalid, 0, 0, 0, {}},
        {{QStringLiteral("-1,-1,2147483647,/a.xml")},
         TArgumentKind::Caller,
         0xFFFFFFFFu,
         -1,
         2147483647,
         QStringLiteral("/a.xml")},
        // The file is all after the third comma: a path may hold commas.
        {{QStringLiteral("1,2,3,/a,b.xml")}, TArgumentKind::Caller, 1, 2, 3, QStringLiteral("/a,b.xml")},
        {{QStringLiteral("1,2,3,/data/x,,y/,.xml,")},
         TArgumentKind::Caller,
         1,
         2,
         3,
         QStringLiteral("/data/x,,y/,.xml,")},
        {{QStringLiteral("1,2,3,/a.xml"), QStringLiteral("x")}, TArgumentKind::Invalid, 0, 0, 0, {}},
        {{QStringLiteral("x,2,3,/a.xml")}, TArgumentKind::Invalid, 0, 0, 0, {}},
        {{QStringLiteral("1,2,3.5,/a.xml")}, TArgumentKind::Invalid, 0, 0, 0, {}},
        {{QStringLiteral("1,0x10,3,/a.xml")}, TArgumentKind::Invalid, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        TCallerArgument a;
        EXPECT_EQ(ParseCallerArgument(c.args, a), c.kind);
        EXPECT_EQ(a.Wnd, c.wnd);
        EXPECT_EQ(a.Msg, c.msg);
        EXPECT_EQ(a.WParam, c.wparam);
        EXPECT_EQ(a.File, c.file);
    }
}

TEST(MainForm, ACloseDecidedByTheFormKeepsItsExitCodeForTheCaller) {
    FormFixture f;
    CallerWindowListener caller(42);
    ASSERT_TRUE(f.form->FormCreate({QStringLiteral("42,1500,9,/tmp/o.xml")}));
    EXPECT_EQ(f.form->CallerFile(), QStringLiteral("/tmp/o.xml"));
    EXPECT_EQ(f.form->ExitCode(), 2);
    ASSERT_TRUE(caller.waitForMessages(1));
    f.form->CloseWithExitCode(0);
    EXPECT_TRUE(f.form->IsClosed());
    f.form.reset();
    ASSERT_TRUE(caller.waitForMessages(4));
    EXPECT_EQ(caller.messages(), QStringList({QStringLiteral("disable"), QStringLiteral("foreground"),
                                              QStringLiteral("enable"), QStringLiteral("post 1500 9 0")}));
}

TEST(MainForm, CancelAsksAndClosesWithExitCode1OnlyOnYes) {
    for (const int answer : {ui::mrNo, ui::mrYes}) {
        FormFixture f;
        ASSERT_TRUE(f.form->FormCreate({}));
        f.form->show();
        f.ui->queueAnswer(answer);
        f.form->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        ASSERT_EQ(f.ui->shown().size(), 1u);
        const ui::MessageRequest& asked = f.ui->shown().front().message;
        EXPECT_EQ(asked.kind, ui::MsgKind::Information);
        EXPECT_EQ(asked.buttons, ui::mbYes | ui::mbNo);
        EXPECT_EQ(asked.text,
                  QStringLiteral(
                      "[キャンセル]"
                      "ボタンが押されました。\r連動データの作成ウィザードを終了してもよろしいですか？\r"));
        EXPECT_EQ(f.form->IsClosed(), answer == ui::mrYes);
        EXPECT_EQ(f.form->ExitCode(), answer == ui::mrYes ? 1 : 2);
    }
}

TEST(MainForm, CallerWindowZeroIsNeverCalled) {
    FormFixture f;
    CallerWindowListener zero(0);
    ASSERT_TRUE(f.form->FormCreate({QStringLiteral("0,1500,9,/tmp/o.xml")}));
    EXPECT_EQ(f.form->CallerFile(), QStringLiteral("/tmp/o.xml"));
    f.form->close();
    EXPECT_EQ(f.form->ExitCode(), 1);
    f.form.reset();
    EXPECT_FALSE(zero.waitForMessages(1, 300));
}
