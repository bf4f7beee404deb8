#include "controls/PellanEdit.h"
#include "controls/xPlButton.h"
#include "FocusForm.h"

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The field between two edits.
struct Form : FocusForm<TPellanEdit> {
    TPellanEdit* edit = control;
    void focusEdit() { edit->setFocus(Qt::TabFocusReason); }
};

// The amount field of the input dialog.
void makeAmountField(TPellanEdit& e) {
    e.setAlignment(TPellanEdit::taRightJustify);
    e.setEditStyle(esNumericMinus);
    e.setOutputFormat(QStringLiteral("#,##0"));
    e.setComma(true);
    e.setZero3Key(zkDot);
    e.setMaxLength(11);
    e.setImeMode(TxEdit::imDisable);
}

void commit(QWidget* w, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(w, &e);
}

void preedit(QWidget* w, const QString& text) {
    QInputMethodEvent e(text, {});
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(FormatFloatText, FormatsLikeTheClassLibrary) {
    struct Case {
        const char* format;
        const char* number;
        const char* expected;
    };
    const Case cases[] = {
        {"#,##0", "1234567", "1,234,567"},
        {"#,##0", "-1500", "-1,500"},
        {"#,##0", "", "0"},
        {"#,##0", "-", "0"},
        {"#,##0", "12a", "0"},
        {"#,##0", "999.5", "1,000"},
        {"#,##0", "-0.4", "0"},
        {"#,##0", "00012", "12"},
        {"#,##0.00", "1234.5", "1,234.50"},
        {"0.0#", "2.345", "2.35"},
        {"0.0#", "2.3", "2.3"},
        {"#,##0円", "1200", "1,200円"},
        {"#,##0;▲#,##0", "-1200", "▲1,200"},
        {"#,##0;;'ゼロ'", "0", "ゼロ"},
        {"#,##0", "123456789012345678901", "123,456,789,012,345,678,901"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloatText(QString::fromUtf8(c.format), QString::fromUtf8(c.number)),
                  QString::fromUtf8(c.expected))
            << c.format << " " << c.number;
}

TEST(PellanEdit, AmountFieldSeparatorsZeroKeyAndSign) {
    Form f;
    makeAmountField(*f.edit);
    f.focusEdit();
    QTest::keyClicks(f.edit, QStringLiteral("12"));
    QTest::keyClick(f.edit, '.');
    EXPECT_EQ(f.edit->text(), QStringLiteral("12,000"));
    EXPECT_EQ(f.edit->cursorPosition(), 6);
    QTest::keyClick(f.edit, '-');
    EXPECT_EQ(f.edit->text(), QStringLiteral("-12,000"));
    EXPECT_EQ(f.edit->cursorPosition(), 7);
    EXPECT_EQ(f.edit->Curr(), Money(-12000));
    QTest::keyClick(f.edit, '-');
    EXPECT_EQ(f.edit->text(), QStringLiteral("12,000"));

    // Separators follow the digits as they are typed and deleted.
    QTest::keyClick(f.edit, '3');
    EXPECT_EQ(f.edit->text(), QStringLiteral("120,003"));
    EXPECT_EQ(f.edit->cursorPosition(), 7);
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    EXPECT_EQ(f.edit->text(), QStringLiteral("1,200"));
    EXPECT_EQ(f.edit->cursorPosition(), 5);
}

TEST(PellanEdit, ZeroCases) {
    Form f;
    makeAmountField(*f.edit);
    f.focusEdit();
    QTest::keyClick(f.edit, '-'); // nothing to negate: typed, and the separator formatting makes it 0
    EXPECT_EQ(f.edit->text(), QStringLiteral("0"));
    QTest::keyClick(f.edit, '-');
    EXPECT_EQ(f.edit->text(), QStringLiteral("0"));
    QTest::keyClick(f.edit, '5');
    EXPECT_EQ(f.edit->text(), QStringLiteral("5"));
    QTest::keyClick(f.edit, Qt::Key_Backspace); // emptied: shown as the format of 0
    EXPECT_EQ(f.edit->text(), QStringLiteral("0"));

    // Setting an amount shows it, 0 included.
    f.edit->setCurr(Money(-1234));
    EXPECT_EQ(f.edit->text(), QStringLiteral("-1,234"));
    f.edit->setCurr(Money(0));
    EXPECT_EQ(f.edit->text(), QStringLiteral("0"));
    EXPECT_EQ(f.edit->Curr(), Money(0));

    TPellanEdit plain;
    plain.setText(QStringLiteral("77"));
    plain.setCurr(Money(0));
    EXPECT_EQ(plain.text(), QStringLiteral("0"));
    plain.setCurr(Money::fromString(QStringLiteral("12.5")));
    EXPECT_EQ(plain.text(), QStringLiteral("12.5"));
}

TEST(PellanEdit, BlankFieldOnExit) {
    Form f;
    makeAmountField(*f.edit);
    f.focusEdit();
    f.after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(f.edit->text(), QStringLiteral("0"));
    f.edit->setText(QString());
    f.edit->setAllowBlank(true);
    f.focusEdit();
    f.after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(f.edit->text(), QString());
}

TEST(PellanEdit, CharacterFilters) {
    struct Case {
        const char* name;
        TEditStyle style;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"numericMinusRefusesLettersAndPoint", esNumericMinus, "1a.2", "12"},
        {"numericRefusesSign", esNumeric, "1-2", "12"},
        {"floatRefusesMinus", esFloat, "1-2", "12"},
        {"floatRefusesLeadingAndSecondPoint", esFloat, ".1.2.", "1.2"},
        {"floatMinusTakesBoth", esFloatMinus, "3.5", "3.5"},
        {"noneTakesAll", esNone, "a-.", "a-."},
    };
    for (const Case& c : cases) {
        Form f;
        f.edit->setEditStyle(c.style);
        f.focusEdit();
        QTest::keyClicks(f.edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(f.edit->text(), QLatin1String(c.expected)) << c.name;
    }
    // Text of an input method passes the same filter.
    Form f;
    f.edit->setEditStyle(esNumeric);
    f.focusEdit();
    commit(f.edit, QStringLiteral("1２b3"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("13"));
}

TEST(PellanEdit, MaximumDigitsDoNotCountSeparators) {
    Form f;
    makeAmountField(*f.edit);
    f.focusEdit();
    QTest::keyClicks(f.edit, QStringLiteral("123456789012"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("12,345,678,901"));
    EXPECT_EQ(f.edit->textLimit(), 14);
    // The zero key fills only up to the maximum.
    f.edit->setText(QStringLiteral("123,456,789"));
    f.edit->setCursorPosition(11);
    QTest::keyClick(f.edit, '.');
    EXPECT_EQ(f.edit->text(), QStringLiteral("12,345,678,900"));
}

TEST(PellanEdit, CommaOffShowsDigitsWhileEditing) {
    Form f;
    f.edit->setEditStyle(esNumeric);
    f.edit->setOutputFormat(QStringLiteral("#,##0"));
    f.edit->setMaxLength(6);
    f.focusEdit();
    QTest::keyClicks(f.edit, QStringLiteral("123456"));
    f.after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(f.edit->text(), QStringLiteral("123,456"));
    f.focusEdit();
    EXPECT_EQ(f.edit->text(), QStringLiteral("123456"));
    EXPECT_EQ(f.edit->selectedText(), QStringLiteral("123456"));
    // Back to digits only, the limit counts digits only.
    f.edit->setCursorPosition(6);
    QTest::keyClick(f.edit, '7');
    EXPECT_EQ(f.edit->text(), QStringLiteral("123456"));
}

TEST(PellanEdit, AdvanceWhenFull) {
    {
        Form f;
        f.edit->setEditStyle(esNumeric);
        f.edit->setMaxLength(3);
        f.edit->setAutoNextCtls(acMaxLength);
        f.focusEdit();
        QTest::keyClicks(f.edit, QStringLiteral("12"));
        EXPECT_EQ(f.focused(), f.edit);
        QTest::keyClick(f.edit, '3');
        EXPECT_EQ(f.edit->text(), QStringLiteral("123"));
        EXPECT_EQ(f.focused(), f.after);
    }
    {
        Form f;
        f.edit->setEditStyle(esNumeric);
        f.edit->setMaxLength(3);
        f.edit->setAutoNextCtls(acMaxLength | acSendEnter);
        f.focusEdit();
        QTest::keyClicks(f.edit, QStringLiteral("123"));
        EXPECT_EQ(f.edit->text(), QStringLiteral("123"));
        EXPECT_EQ(f.focused(), f.edit);
        EXPECT_EQ(f.edit->AutoNextCtls_Result(), acMaxLength | acSendEnter);
        QTest::keyClick(f.edit, Qt::Key_Backspace);
        EXPECT_EQ(f.edit->AutoNextCtls_Result(), TAutoNextCtls());
    }
}

TEST(PellanEdit, FocusKeys) {
    Form f;
    f.edit->setKeyStyles(ksEnter | ksLeft | ksRight | ksUp);
    f.focusEdit();
    QTest::keyClick(f.edit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(f.focused(), f.edit);
    QTest::keyClick(f.edit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.focused(), f.before);
    f.focusEdit();
    QTest::keyClick(f.edit, Qt::Key_Tab);
    EXPECT_EQ(f.focused(), f.after);

    f.focusEdit();
    f.edit->setText(QStringLiteral("ab"));
    f.edit->selectAll();
    QTest::keyClick(f.edit, Qt::Key_Right); // the whole text selected: the caret moves, not the focus
    EXPECT_EQ(f.focused(), f.edit);
    QTest::keyClick(f.edit, Qt::Key_Right);
    EXPECT_EQ(f.focused(), f.after);
    f.focusEdit();
    f.edit->setCursorPosition(0);
    QTest::keyClick(f.edit, Qt::Key_Left);
    EXPECT_EQ(f.focused(), f.before);
    f.focusEdit();
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(f.focused(), f.after);

    // Tab and Down reported to the owner, the focus staying.
    f.edit->setAutoNextCtls(acTabKey | acDownKey);
    f.focusEdit();
    QTest::keyClick(f.edit, Qt::Key_Tab);
    EXPECT_EQ(f.focused(), f.edit);
    EXPECT_EQ(f.edit->AutoNextCtls_Result(), acTabKey | acSendEnter);
    f.after->setFocus(Qt::TabFocusReason); // entering resets the result set
    f.focusEdit();
    QTest::keyClick(f.edit, Qt::Key_Down);
    EXPECT_EQ(f.focused(), f.edit);
    EXPECT_EQ(f.edit->AutoNextCtls_Result(), acDownKey | acSendEnter);
}

TEST(PellanEdit, KanaFromCommittedKanaAndTypedCharacters) {
    Form f;
    f.edit->setKanaMode(kmHankaku);
    QSignalSpy ime(f.edit, &TPellanEdit::OnImeStatusChange);
    f.focusEdit();
    preedit(f.edit, QStringLiteral("やまだ"));
    EXPECT_TRUE(f.edit->ImeOnFlg());
    commit(f.edit, QStringLiteral("やまだ"));
    EXPECT_FALSE(f.edit->ImeOnFlg());
    EXPECT_EQ(ime.count(), 2);
    EXPECT_EQ(f.edit->Kana(), QStringLiteral("ﾔﾏﾀﾞ"));
    QTest::keyClicks(f.edit, QStringLiteral("AB"));
    EXPECT_EQ(f.edit->Kana(), QStringLiteral("ﾔﾏﾀﾞAB"));
    // No reading comes with converted text.
    preedit(f.edit, QStringLiteral("たろう"));
    commit(f.edit, QStringLiteral("太郎"));
    EXPECT_EQ(f.edit->Kana(), QStringLiteral("ﾔﾏﾀﾞAB"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("やまだAB太郎"));

    f.edit->setKana(QString());
    f.edit->setKanaMode(kmZenkaku);
    commit(f.edit, QStringLiteral("かな"));
    EXPECT_EQ(f.edit->Kana(), QStringLiteral("カナ"));
}

// The field wants Esc itself: a Cancel button of its dialog does not take it while the field has the
// focus, and the dialog stays open.
TEST(PellanEdit, EscStaysWithTheField) {
    QDialog dialog;
    auto* edit = new TPellanEdit(&dialog);
    auto* cancel = new TxPlButton(&dialog);
    cancel->setCancel(true);
    cancel->setModalResult(2);
    cancel->move(0, 40);
    int clicks = 0;
    QObject::connect(cancel, &TxPlButton::clicked, [&] { ++clicks; });
    dialog.setModal(true);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(dialog.isVisible());
    // Elsewhere in the dialog Esc clicks the Cancel button as usual.
    cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cancel, Qt::Key_Escape);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(dialog.isVisible());
}
