// The input dialog: its five kinds, the required flag, byte lengths, character filters and keys; and the
// Qt user interaction's prompt built on it.
#include "ModalRun.h"
#include "controls/QtUserInteraction.h"
#include "controls/SDI.h"
#include "controls/z5InputDlg.h"
#include "core/uAccRecord.h"
#include "support/TestEnv.h"
#include "ui_z5InputDlg.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

class InputDlgTest : public ::testing::Test {
protected:
    void SetUp() override { SetScreenPixelsPerInch(96); }
    void TearDown() override {
        SetScreenPixelsPerInch(0);
        ResetProcessState();
    }
    ui::ScopedScriptedUi shown;
};

TEST_F(InputDlgTest, EachKindShowsItsInputAndAnswersItsValue) {
    {
        TInputDlgBox d;
        d.CaptionText = QStringLiteral("名称の入力");
        d.MainText = QStringLiteral("名称を入力して下さい。");
        d.Value = QStringLiteral("初期");
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               EXPECT_TRUE(d.form().txtInput->hasFocus());
                               EXPECT_FALSE(d.form().btnFuseji->isVisible());
                               testenv::saveShot(d, QStringLiteral("input_text"));
                               QTest::keyClick(d.form().txtInput, Qt::Key_End);
                               typeText(d.form().txtInput, QStringLiteral("値"));
                               QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
                           }),
                  ui::mrOk);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("名称の入力"));
        EXPECT_EQ(d.Value, QStringLiteral("初期値"));
    }
    {
        TInputDlgBox d;
        d.Kind = TInputDlgBox::ikList;
        d.Items = QStringList{QStringLiteral("01:東京"), QStringLiteral("02:大阪")};
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               EXPECT_TRUE(d.form().pnlCombo->isVisible());
                               EXPECT_FALSE(d.form().pnlText->isVisible());
                               EXPECT_EQ(d.form().pnlCombo->pos(), d.form().pnlText->pos());
                               testenv::saveShot(d, QStringLiteral("input_list"));
                               d.form().cmbInput->setCurrentIndex(1);
                               QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
                           }),
                  ui::mrOk);
        EXPECT_EQ(d.Value, QStringLiteral("02:大阪"));
    }
    {
        // Without Required an empty choice is an answer.
        TInputDlgBox d;
        d.Kind = TInputDlgBox::ikList;
        d.Prepare(true);
        EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.form().btnOK, Qt::LeftButton); }), ui::mrOk);
        EXPECT_EQ(d.Value, QString());
    }
    {
        TInputDlgBox d;
        d.Kind = TInputDlgBox::ikAmount;
        d.MainText = QStringLiteral("金額を入力して下さい。");
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               testenv::saveShot(d, QStringLiteral("input_amount"));
                               QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
                           }),
                  ui::mrOk);
        EXPECT_EQ(d.Value, QStringLiteral("0"));
    }
    {
        TInputDlgBox d;
        d.Kind = TInputDlgBox::ikDateRange;
        d.Date1 = TDateTime::fromDate(2024, 4, 1);
        d.Date2 = TDateTime::fromDate(2025, 3, 31);
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               EXPECT_TRUE(d.form().pnlDate->isVisible());
                               testenv::saveShot(d, QStringLiteral("input_dates"));
                               d.form().txtHizuke2->setDateTime(TDateTime::fromDate(2024, 9, 30));
                               QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
                           }),
                  ui::mrOk);
        EXPECT_EQ(d.Date1.toDate(), QDate(2024, 4, 1));
        EXPECT_EQ(d.Date2.toDate(), QDate(2024, 9, 30));
    }
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(InputDlgTest, RequiredEntriesAreAskedForAgain) {
    const struct {
        int kind;
        bool required;
        const char16_t* typed;
        const char16_t* message; // empty: accepted
    } cases[] = {
        {TInputDlgBox::ikPassword, false, u"", u"入力してから[OK]ボタンを押して下さい。"},
        {TInputDlgBox::ikPassword, false, u"\u3000\u3000", u"入力してから[OK]ボタンを押して下さい。"},
        {TInputDlgBox::ikText, true, u" ", u"入力してから[OK]ボタンを押して下さい。"},
        {TInputDlgBox::ikText, false, u" ", u""},
        {TInputDlgBox::ikList, true, u"\u3000", u"入力または選択してから[OK]ボタンを押して下さい。"},
        {99, true, u"x", u""},
    };
    for (const auto& c : cases) {
        shown->clear();
        TInputDlgBox d;
        d.Kind = c.kind;
        d.Required = c.required;
        d.Prepare(true);
        const QString typed = QString::fromUtf16(c.typed);
        const int r = runModal(d, [&] {
            if (c.kind == TInputDlgBox::ikList)
                d.form().cmbInput->setEditText(typed);
            else
                d.form().txtInput->setText(typed);
            QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
        });
        const QString message = QString::fromUtf16(c.message);
        if (message.isEmpty()) {
            EXPECT_EQ(r, ui::mrOk) << c.kind;
            EXPECT_EQ(d.Value, typed);
            EXPECT_TRUE(shown->shown().empty());
        } else {
            EXPECT_EQ(r, 99) << c.kind; // still open
            EXPECT_EQ(shown->messageTexts(), QStringList{message});
        }
    }
}

TEST_F(InputDlgTest, APasswordIsMaskedUntilTheBoxIsTicked) {
    TInputDlgBox d;
    d.Kind = TInputDlgBox::ikPassword;
    d.Prepare(true);
    EXPECT_TRUE(d.Required);
    runModal(d, [&] {
        EXPECT_TRUE(d.form().btnFuseji->isVisible());
        EXPECT_EQ(d.form().txtInput->echoMode(), QLineEdit::Password);
        testenv::saveShot(d, QStringLiteral("input_password"));
        QTest::mouseClick(d.form().btnFuseji, Qt::LeftButton);
        EXPECT_EQ(d.form().txtInput->echoMode(), QLineEdit::Normal);
    });
}

TEST_F(InputDlgTest, TheMaximumLengthCountsCp932BytesAndOtherCharactersAreRefused) {
    TInputDlgBox d;
    d.MaxLen = 5;
    d.Prepare(true);
    runModal(d, [&] {
        typeText(d.form().txtInput, QStringLiteral("漢字ab"));
        EXPECT_EQ(d.form().txtInput->text(), QStringLiteral("漢字a"));
        d.form().txtInput->clear();
        typeText(d.form().txtInput, QStringLiteral("ab漢字"));
        EXPECT_EQ(d.form().txtInput->text(), QStringLiteral("ab漢"));
        // What CP932 cannot hold is refused.
        d.form().txtInput->clear();
        typeText(d.form().txtInput, QStringLiteral("a\u00e9b"));
        EXPECT_EQ(d.form().txtInput->text(), QStringLiteral("ab"));
    });
    TInputDlgBox list;
    list.Kind = TInputDlgBox::ikList;
    list.MaxLen = 4;
    list.Prepare(true);
    runModal(list, [&] {
        typeText(list.form().cmbInput->lineEdit(), QStringLiteral("ｱｲ東京"));
        EXPECT_EQ(list.form().cmbInput->currentText(), QStringLiteral("ｱｲ東"));
    });
}

TEST_F(InputDlgTest, CharacterFiltersDiscardWhatTheyRefuse) {
    const struct {
        int filter;
        const char16_t* typed;
        const char16_t* kept;
    } cases[] = {
        {TInputDlgBox::cfNumber, u"-1.5a", u"-1.5"},
        {TInputDlgBox::cfAlpha, u"ab1Zｱ", u"abZ"},
        {TInputDlgBox::cfAlphaNumeric, u"a-1ｱあB２", u"a1B"},
        {TInputDlgBox::cfFileName, u"a/b:c\\d|e漢", u"abcde漢"},
        {TInputDlgBox::cfNone, u"a/b", u"a/b"},
    };
    for (const auto& c : cases) {
        TInputDlgBox d;
        d.CharFilter = c.filter;
        d.Prepare(true);
        runModal(d, [&] { typeText(d.form().txtInput, QString::fromUtf16(c.typed)); });
        EXPECT_EQ(d.form().txtInput->text(), QString::fromUtf16(c.kept)) << c.filter;
    }
}

TEST_F(InputDlgTest, ACodeInputWithoutInputMethodRefusesPasting) {
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    TInputDlgBox d;
    d.InputImeMode = TxEdit::imDisable;
    d.Prepare(true);
    runModal(d, [&] {
        QTest::keyClick(d.form().txtInput, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(d.form().txtInput->text(), QString());
    });
}

TEST_F(InputDlgTest, EscCancelsAndF12ActsAsOk) {
    {
        TInputDlgBox d;
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               QTest::keyPress(d.form().txtInput, Qt::Key_Escape);
                               QTest::keyRelease(d.form().txtInput, Qt::Key_Escape);
                           }),
                  ui::mrCancel);
    }
    {
        TInputDlgBox d;
        d.Prepare(true);
        EXPECT_EQ(runModal(d,
                           [&] {
                               typeText(d.form().txtInput, QStringLiteral("x"));
                               QTest::keyPress(d.form().txtInput, Qt::Key_F12);
                               QTest::keyRelease(d.form().txtInput, Qt::Key_F12);
                           }),
                  ui::mrOk);
        EXPECT_EQ(d.Value, QStringLiteral("x"));
    }
    {
        TInputDlgBox d;
        d.Prepare(true);
        EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.form().btnCancel, Qt::LeftButton); }), ui::mrCancel);
    }
}

TEST(QtUserInteraction, InputAsksThroughTheInputDialog) {
    QtUserInteraction qtUi;
    ui::InputRequest request;
    request.caption = QStringLiteral("パスワードの確認");
    request.prompt = QStringLiteral("正しいパスワードを入力して下さい。");
    request.hint = QStringLiteral("英数字8文字以内");
    request.password = true;
    request.promptAlert = true;
    request.lettersAndDigitsOnly = true;
    request.maxLength = 4;
    QString hintShown;
    QColor promptColour;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TInputDlgBox*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        QApplication::setActiveWindow(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        promptColour = d->form().lblMain->palette().color(QPalette::WindowText);
        hintShown = d->form().HintArea->toPlainText();
        typeText(d->form().txtInput, QStringLiteral("a b-1_C2"));
        QTest::mouseClick(d->form().btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(qtUi.input(request), std::optional<QString>(QStringLiteral("ab1C")));
    EXPECT_EQ(promptColour, QColor(Qt::red));
    EXPECT_EQ(hintShown, QStringLiteral("英数字8文字以内"));
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(qtUi.input(request), std::nullopt);
}

} // namespace
