// The small windows of the communication roads: the password confirmation's rules, the comparison
// answer, the progress windows, and the Escape hook.
#include "controls/xAnimeProgressDialog.h"
#include "controls/xEdit.h"
#include "platform/UserInteraction.h"
#include "support/TestEnv.h"
#include "tusin/EscapeKeyHook.h"
#include "tusin/z5HikakuMess2.h"
#include "tusin/z5TusinSetteiPas.h"
#include "tusin/z5WaitMess.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct PasswordDialog {
    TfmTusinSettiPas dialog;
    PasswordDialog() {
        dialog.Label2()->setText(QStringLiteral("ab12cd"));
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

TEST(PasswordDialog, ClosesWithOkOnlyWhenTickedAndMatching) {
    ui::ScopedScriptedUi ui;
    struct Case {
        const char* what;
        QString checkCaption;
        bool ticked;
        QString typed;
        bool closes;
        QString message;
    };
    const QString deleteText = QStringLiteral("削除処理を実行します");
    const QString releaseText = QStringLiteral("解除処理を実行します");
    const Case cases[] = {
        {"unticked, right password", deleteText, false, QStringLiteral("ab12cd"), false,
         QStringLiteral("「削除処理を実行します」をチェックしてください。")},
        {"unticked release", releaseText, false, QStringLiteral("wrong"), false,
         QStringLiteral("「解除処理を実行します」をチェックしてください。")},
        {"ticked, wrong password", deleteText, true, QStringLiteral("ab12cD"), false,
         QStringLiteral("パスワードが違います。")},
        {"ticked, empty password", releaseText, true, QString(), false,
         QStringLiteral("パスワードが違います。")},
        {"ticked, right password", deleteText, true, QStringLiteral("ab12cd"), true, QString()},
        {"ticked release, right password", releaseText, true, QStringLiteral("ab12cd"), true, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui->clear();
        PasswordDialog p;
        p.dialog.CheckBox1()->setText(c.checkCaption);
        p.dialog.CheckBox1()->setChecked(c.ticked);
        p.dialog.txtConPasswd()->setText(c.typed);
        QTest::mouseClick(p.dialog.btnOK(), Qt::LeftButton);
        EXPECT_EQ(p.dialog.isVisible(), !c.closes);
        EXPECT_EQ(p.dialog.result(), c.closes ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(ui->messageTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        for (const auto& shown : ui->shown()) {
            EXPECT_EQ(shown.message.kind, ui::MsgKind::Information);
            EXPECT_EQ(shown.message.buttons, ui::Buttons(ui::mbYes));
        }
    }
}

TEST(PasswordDialog, TakesLettersAndDigitsAndRefusesBlanksOnLeaving) {
    ui::ScopedScriptedUi ui;
    PasswordDialog p;
    TxEdit* edit = p.dialog.txtConPasswd();
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("a b-1_Z!9x"));
    EXPECT_EQ(edit->text(), QStringLiteral("ab1Z9x"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("ab1Z9"));
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));

    // A pasted blank (half- or full-width) is refused when the focus leaves the edit.
    for (const QString& text : {QStringLiteral("ab 12"), QStringLiteral("ab　12")}) {
        ui->clear();
        edit->setText(text);
        edit->setFocus();
        p.dialog.CheckBox1()->setFocus();
        QTest::qWait(10);
        EXPECT_EQ(
            ui->messageTexts(),
            QStringList{QStringLiteral("パスワードはスペース（空白）なしの英数６桁以内で入力して下さい。")});
        EXPECT_TRUE(edit->hasFocus());
    }
    ui->clear();
    edit->setText(QStringLiteral("abc123"));
    edit->setFocus();
    p.dialog.CheckBox1()->setFocus();
    QTest::qWait(10);
    EXPECT_TRUE(ui->shown().empty());
    testenv::saveShot(p.dialog, QStringLiteral("password"));
}

TEST(ComparisonDialog, AnswersYesUnlessNoIsPressed) {
    HikakuAnswer = 0;
    {
        TfmHikakuMess2 d;
        EXPECT_EQ(HikakuAnswer, 1);
        d.label(5)->setText(QStringLiteral("当方：株式会社テスト"));
        d.label(6)->setText(QStringLiteral("中継：株式会社テスト２"));
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        testenv::saveShot(d, QStringLiteral("comparison"));
        d.close();
        EXPECT_EQ(HikakuAnswer, 1);
    }
    {
        TfmHikakuMess2 d;
        d.show();
        QTest::mouseClick(d.Button2(), Qt::LeftButton);
        EXPECT_EQ(HikakuAnswer, 0);
        EXPECT_FALSE(d.isVisible());
    }
    TfmHikakuMess2 d;
    d.show();
    QTest::mouseClick(d.Button1(), Qt::LeftButton);
    EXPECT_EQ(HikakuAnswer, 1);
}

TEST(WaitWindows, StepLinesShowTheirState) {
    QWidget owner;
    owner.show();
    WaitMessParent = &owner;
    fmWaitMess = new TfmWaitMess();
    EXPECT_EQ(fmWaitMess->parentWidget(), &owner);
    fmWaitMess->resize(435, 194);
    fmWaitMess->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fmWaitMess));
    EXPECT_TRUE(fmWaitMess->line(1)->isChecked());
    SetWaitStep(fmWaitMess->line(1), TWaitStep::Done);
    SetWaitStep(fmWaitMess->line(2), TWaitStep::Running);
    fmWaitMess->line(5)->hide();
    EXPECT_EQ(fmWaitMess->line(1)->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    EXPECT_EQ(fmWaitMess->line(2)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(fmWaitMess->line(2)->isChecked());
    EXPECT_FALSE(fmWaitMess->line(3)->isChecked());
    QTest::qWait(250);
    EXPECT_TRUE(fmWaitMess->animation()->Active());
    testenv::saveShot(*fmWaitMess, QStringLiteral("waitmess"));
    delete fmWaitMess;

    WaitMess2Parent = &owner;
    fmWaitMess2 = new TfmWaitMess2();
    fmWaitMess2->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fmWaitMess2));
    EXPECT_TRUE(fmWaitMess2->CheckBox1()->isChecked());
    testenv::saveShot(*fmWaitMess2, QStringLiteral("waitmess2"));
    delete fmWaitMess2;
}

// A dialog that Escape would close.
struct EscapeTarget {
    QDialog dialog;
    EscapeTarget() {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    bool closesOnEscape() {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return !dialog.isVisible();
    }
};

TEST(EscapeHook, SwallowsEscapeOnlyWhileInstalled) {
    ASSERT_EQ(EscapeHookHandle, nullptr);
    {
        TEscapeKeyHookScope hook;
        ASSERT_NE(EscapeHookHandle, nullptr);
        EscapeKeyHook* const installed = EscapeHookHandle;
        EscapeTarget target;
        EXPECT_FALSE(target.closesOnEscape());
        {
            // A road inside a road installs no second hook and leaves the first in place.
            TEscapeKeyHookScope inner;
            EXPECT_EQ(EscapeHookHandle, installed);
        }
        EXPECT_EQ(EscapeHookHandle, installed);
        EXPECT_FALSE(target.closesOnEscape());
        // Other keys pass.
        QLineEdit edit;
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("ok"));
        EXPECT_EQ(edit.text(), QStringLiteral("ok"));
    }
    EXPECT_EQ(EscapeHookHandle, nullptr);
    EscapeTarget after;
    EXPECT_TRUE(after.closesOnEscape());
}

TEST(EscapeHook, IsRemovedWhenTheStepThrows) {
    try {
        TEscapeKeyHookScope hook;
        EscapeTarget target;
        EXPECT_FALSE(target.closesOnEscape());
        throw std::runtime_error("packing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(EscapeHookHandle, nullptr);
    EscapeTarget after;
    EXPECT_TRUE(after.closesOnEscape());
}

} // namespace
