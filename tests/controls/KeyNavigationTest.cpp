// Enter and the arrow keys move the focus through a form of the key-navigating controls.
#include "controls/xCheckBox.h"
#include "controls/xComboBox.h"
#include "controls/xEdit.h"
#include "controls/xMaskEdit.h"
#include "controls/xRadioButton.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A form with one control of each kind, in tab order.
struct NavForm : QWidget {
    TxEdit* edit = new TxEdit(this);
    TxCheckBox* check = new TxCheckBox(QStringLiteral("check"), this);
    TxRadioButton* radio = new TxRadioButton(QStringLiteral("radio"), this);
    TxComboBox* combo = new TxComboBox(this);
    TxComboBox* list = new TxComboBox(this);
    TxMaskEdit* mask = new TxMaskEdit(this);

    NavForm() {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{edit, check, radio, combo, list, mask})
            layout->addWidget(w);
        combo->setEditable(true);
        combo->addItems({QStringLiteral("1:A"), QStringLiteral("12:B"), QStringLiteral("3:C")});
        list->addItems({QStringLiteral("x"), QStringLiteral("y")});
        show();
        QApplication::setActiveWindow(this);
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }

    void focus(QWidget* w) {
        if (QApplication::activeWindow() != this) {
            activateWindow();
            QApplication::setActiveWindow(this);
            EXPECT_TRUE(QTest::qWaitForWindowActive(this));
        }
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
};

QWidget* focused() {
    return QApplication::focusWidget();
}

TEST(KeyNavigation, EnterMovesForwardAndUpMovesBackThroughTheForm) {
    NavForm f;
    f.focus(f.edit);
    const std::vector<QWidget*> order{f.edit, f.check, f.radio, f.combo, f.list, f.mask};
    for (size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(focused(), Qt::Key_Return);
        EXPECT_EQ(focused(), order[i]) << "Enter from control " << i - 1;
    }
    for (size_t i = order.size() - 1; i > 0; --i) {
        QTest::keyClick(focused(), Qt::Key_Up);
        EXPECT_EQ(focused(), order[i - 1]) << "Up from control " << i;
    }
    // The default set has no Down: the edit keeps the focus.
    f.focus(f.edit);
    QTest::keyClick(f.edit, Qt::Key_Down);
    EXPECT_EQ(focused(), f.edit);
    f.focus(f.check);
    // The keypad's Enter counts as Enter.
    QTest::keyClick(f.check, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(focused(), f.radio);
}

TEST(KeyNavigation, ArrowsOfTheSetMoveAndModifiersKeepTheirMeaning) {
    NavForm f;
    const TKeyStyles all = ksEnter | ksLeft | ksUp | ksRight | ksDown;
    f.check->setKeyStyles(all);
    f.radio->setKeyStyles(all);
    f.focus(f.check);
    QTest::keyClick(f.check, Qt::Key_Right);
    EXPECT_EQ(focused(), f.radio);
    QTest::keyClick(f.radio, Qt::Key_Down);
    EXPECT_EQ(focused(), f.combo);
    f.focus(f.radio);
    QTest::keyClick(f.radio, Qt::Key_Left);
    EXPECT_EQ(focused(), f.check);

    // With a modifier the arrows keep their meaning: Shift+Left extends the selection of the edit.
    f.edit->setKeyStyles(all);
    f.edit->setText(QStringLiteral("abc"));
    for (auto mods : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        f.focus(f.edit);
        f.edit->setCursorPosition(0);
        QTest::keyClick(f.edit, Qt::Key_Left, mods);
        QTest::keyClick(f.edit, Qt::Key_Down, mods);
        EXPECT_EQ(focused(), f.edit) << "modifiers " << int(mods);
    }
    f.edit->setCursorPosition(3);
    QTest::keyClick(f.edit, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f.edit->selectedText(), QStringLiteral("c"));
    // Shift+Enter still types Enter, Ctrl+Enter does not.
    f.focus(f.check);
    QTest::keyClick(f.check, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(focused(), f.check);
    QTest::keyClick(f.check, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(focused(), f.radio);
    // Without ksEnter, Enter stays with the control.
    f.check->setKeyStyles(ksUp);
    f.focus(f.check);
    QTest::keyClick(f.check, Qt::Key_Return);
    EXPECT_EQ(focused(), f.check);
}

TEST(KeyNavigation, EditMovesHorizontallyOnlyWhenTheCaretCannotGoFurther) {
    NavForm f;
    f.edit->setKeyStyles(ksEnter | ksLeft | ksUp | ksRight | ksDown);
    // "Previous" is where Shift+Tab goes.
    f.focus(f.edit);
    QTest::keyClick(f.edit, Qt::Key_Backtab, Qt::ShiftModifier);
    QWidget* previous = focused();
    ASSERT_NE(previous, f.edit);
    struct Case {
        const char* name;
        QString text;
        int selStart, selLength; // selLength 0: caret at selStart
        int key;
        bool moves;
    };
    const Case cases[] = {
        {"caret at end, Right", "abc", 3, 0, Qt::Key_Right, false},
        {"all selected, Right", "abc", 0, 3, Qt::Key_Right, true},
        {"empty text, Right", "", 0, 0, Qt::Key_Right, true},
        {"empty text, Left", "", 0, 0, Qt::Key_Left, true},
        {"caret at 0, Left", "abc", 0, 0, Qt::Key_Left, true},
        {"all selected, Left", "abc", 0, 3, Qt::Key_Left, true},
        {"part selected from 0, Left", "abc", 0, 2, Qt::Key_Left, false},
        {"caret inside, Left", "abc", 1, 0, Qt::Key_Left, false},
        {"caret inside, Down", "abc", 1, 0, Qt::Key_Down, true},
    };
    for (const Case& c : cases) {
        f.focus(f.check);
        f.focus(f.edit);
        f.edit->setText(c.text);
        if (c.selLength)
            f.edit->setSelection(c.selStart, c.selLength);
        else
            f.edit->setCursorPosition(c.selStart);
        QTest::keyClick(f.edit, Qt::Key(c.key));
        QWidget* expected = !c.moves ? f.edit : c.key == Qt::Key_Left ? previous : f.check;
        EXPECT_EQ(focused(), expected) << c.name;
    }
}

TEST(KeyNavigation, EditEntrySelectsOrPlacesTheCaret) {
    NavForm f;
    f.edit->setText(QStringLiteral("abcd"));
    f.focus(f.check);
    QTest::keyClick(f.check, Qt::Key_Up);
    ASSERT_EQ(focused(), f.edit);
    EXPECT_EQ(f.edit->selectedText(), QStringLiteral("abcd"));
    f.edit->setCursorPos(TxEdit::cpRight);
    f.focus(f.check);
    f.focus(f.edit);
    EXPECT_FALSE(f.edit->hasSelectedText());
    EXPECT_EQ(f.edit->cursorPosition(), 4);
    f.edit->setCursorPos(TxEdit::cpLeft);
    f.focus(f.check);
    f.focus(f.edit);
    EXPECT_EQ(f.edit->cursorPosition(), 0);
}

// A key filter is the Qt form of a key handler: one that takes Enter on an edit keeps the focus there.
TEST(KeyNavigation, EditFilterThatTakesEnterKeepsTheFocus) {
    struct EatEnter : QObject {
        bool eventFilter(QObject*, QEvent* e) override {
            return e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Return;
        }
    } eater;
    NavForm f;
    f.edit->installEventFilter(&eater);
    f.focus(f.edit);
    QTest::keyClick(f.edit, Qt::Key_Return);
    EXPECT_EQ(focused(), f.edit);
}

TEST(KeyNavigation, ControlWithoutParentFormTakesTheKeyAndMovesNothing) {
    TxCheckBox lone(QStringLiteral("lone"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    enter.ignore();
    QApplication::sendEvent(&lone, &enter);
    EXPECT_TRUE(enter.isAccepted());

    // An edit without a form leaves Enter to itself.
    TxEdit loneEdit;
    QKeyEvent enter2(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    enter2.ignore();
    QApplication::sendEvent(&loneEdit, &enter2);
    EXPECT_FALSE(enter2.isAccepted());
}

TEST(KeyNavigation, ComboLeavesKeysToItsOpenList) {
    NavForm f;
    f.focus(f.list);
    f.list->showPopup();
    ASSERT_TRUE(f.list->view()->isVisible());
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Return}) {
        QTest::keyClick(f.list, key);
        EXPECT_EQ(f.focusWidget(), f.list) << key;
    }
    f.list->hidePopup();
}

TEST(KeyNavigation, ComboDeleteSelectsTheFirstItem) {
    NavForm f;
    f.focus(f.combo);
    f.combo->setCurrentIndex(2);
    f.combo->lineEdit()->setCursorPosition(0);
    QTest::keyClick(f.combo, Qt::Key_Delete);
    EXPECT_EQ(f.combo->currentIndex(), 0);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("1:A"));
    EXPECT_EQ(f.combo->rememberedIndex(), 0);

    // With the caret inside the text Delete edits as usual.
    f.combo->setCurrentIndex(2);
    f.combo->lineEdit()->setCursorPosition(1);
    QTest::keyClick(f.combo, Qt::Key_Delete);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("3C"));

    // Without items the key is only swallowed.
    TxComboBox* empty = f.list;
    empty->clear();
    f.focus(empty);
    QTest::keyClick(empty, Qt::Key_Delete);
    EXPECT_EQ(empty->currentIndex(), -1);
    EXPECT_EQ(focused(), empty);
}

TEST(KeyNavigation, ComboCodeSearchRemembersTheItemOfTheTypedCode) {
    struct Case {
        int keyLen;
        const char* typed;
        int remembered;
        const char* textOnLeaving;
    };
    const Case cases[] = {
        {2, "12", 1, "12:B"}, {1, "12", 0, "1:A"}, {2, "3", 2, "3:C"},
        {2, "c", -1, ""},  // no item starts with the code: nothing remembered, nothing kept
        {0, "12", -1, ""}, // search off
    };
    for (const Case& c : cases) {
        NavForm f;
        f.combo->setKeyLen(c.keyLen);
        f.combo->setCurrentIndex(-1);
        f.focus(f.combo);
        QTest::keyClicks(f.combo, QString::fromLatin1(c.typed));
        EXPECT_EQ(f.combo->rememberedIndex(), c.remembered) << c.typed << " KeyLen " << c.keyLen;
        f.focus(f.mask);
        EXPECT_EQ(f.combo->currentText(), QString::fromLatin1(c.textOnLeaving)) << c.typed;
    }
}

TEST(KeyNavigation, ComboCodeThatMatchesNothingFallsBackToTheRememberedItem) {
    NavForm f;
    f.combo->setKeyLen(2);
    f.combo->setCurrentIndex(1);
    f.focus(f.combo);
    f.combo->lineEdit()->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("9x"));
    EXPECT_EQ(f.combo->currentIndex(), -1);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("9x"));
    f.focus(f.mask);
    EXPECT_EQ(f.combo->currentIndex(), 1);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("12:B"));

    // A text that starts with a double-byte character is not searched.
    f.combo->setCurrentIndex(2);
    f.focus(f.combo);
    f.combo->setEditText(QStringLiteral("１2"));
    EXPECT_EQ(f.combo->rememberedIndex(), 2);
    EXPECT_EQ(f.combo->currentText(), QStringLiteral("１2"));
}

TEST(KeyNavigation, EditValuesAndReading) {
    TxEdit e;
    // Zero is a value like any other: the edit shows it and reads it back.
    e.setText(QStringLiteral("1234"));
    e.setCurr(Money());
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    EXPECT_EQ(e.Curr(), Money());
    e.setText(QStringLiteral("77"));
    e.setLong(0);
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    EXPECT_EQ(e.Long(), 0);
    e.setCurr(Money::fromString(QStringLiteral("1234.5000")));
    EXPECT_EQ(e.text(), QStringLiteral("1234.5"));
    EXPECT_EQ(e.Curr(), Money::fromString(QStringLiteral("1234.5")));
    e.setLong(-42);
    EXPECT_EQ(e.text(), QStringLiteral("-42"));
    EXPECT_EQ(e.Long(), -42);

    NavForm f;
    f.edit->setKanaSw(true);
    f.focus(f.check);
    f.focus(f.edit);
    // A composition shows its kana, is converted and committed; then a character typed directly.
    QInputMethodEvent preedit(QStringLiteral("かぶしきがいしゃ"), {});
    QApplication::sendEvent(f.edit, &preedit);
    QInputMethodEvent converted(QStringLiteral("株式会社"), {});
    QApplication::sendEvent(f.edit, &converted);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("株式会社"));
    QApplication::sendEvent(f.edit, &commit);
    QTest::keyClicks(f.edit, QStringLiteral("A1"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("株式会社A1"));
    EXPECT_EQ(f.edit->kana(), QStringLiteral("ｶﾌﾞｼｷｶﾞｲｼｬA1"));
    f.edit->setKana(QString());
    EXPECT_EQ(f.edit->kana(), QStringLiteral("ｶﾌﾞｼｷｶﾞｲｼｬA1"));
    f.edit->setKana(QStringLiteral("ぱ"));
    EXPECT_EQ(f.edit->kana(), QStringLiteral("ﾊﾟ"));
    // Delete brings the character 127 with it under X11; it is no character of the reading.
    f.edit->setKana(QStringLiteral("ｱ"));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(127)));
    QApplication::sendEvent(f.edit, &del);
    EXPECT_EQ(f.edit->kana(), QStringLiteral("ｱ"));
    // Entering again starts a new reading.
    f.focus(f.check);
    f.focus(f.edit);
    EXPECT_EQ(f.edit->kana(), QString());
}

TEST(KeyNavigation, CodeEditRefusesPastedText) {
    NavForm f;
    QApplication::clipboard()->setText(QStringLiteral("zzz"));
    f.edit->setImeMode(TxEdit::imDisable);
    f.focus(f.edit);
    f.edit->clear();
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->text(), QString());
    f.edit->setImeMode(TxEdit::imDontCare);
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->text(), QStringLiteral("zzz"));
    f.edit->clear();
    f.edit->setImeMode(TxEdit::imDisable);
    f.edit->setKillPaste(false);
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->text(), QStringLiteral("zzz"));
}

} // namespace
