// The checked combo box: the ticked text, the display, the drop-down and its keys.
#include "controls/xCheckedComboBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(CheckedText, AddsWholeElementsOnceAndRemovesTheFirstFramedMatch) {
    const struct {
        const char16_t* text;
        const char16_t* item;
        bool add;
        const char16_t* result;
        bool changed;
    } cases[] = {
        {u"", u"A", true, u"A", true},
        {u"A", u"B", true, u"A,B", true},
        {u"A,B", u"A", true, u"A,B", false},
        {u"AB,C", u"A", true, u"AB,C,A", true},
        {u"A,B,C", u"B", false, u"A,C", true},
        {u"A,B,C", u"A", false, u"B,C", true},
        {u"A,B,C", u"C", false, u"A,B", true},
        {u"A", u"A", false, u"", true},
        {u"AB,C", u"A", false, u"AB,C", false},
        // An item holding "," is found as far as the framed comparison matches.
        {u"x,A,B,y", u"A,B", false, u"x,y", true},
        {u"A,B", u"A,B", true, u"A,B", false},
    };
    for (const auto& c : cases) {
        QString text = QString::fromUtf16(c.text);
        const bool changed = c.add ? CheckedTextAdd(text, QString::fromUtf16(c.item))
                                   : CheckedTextRemove(text, QString::fromUtf16(c.item));
        EXPECT_EQ(text, QString::fromUtf16(c.result)) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(changed, c.changed) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(CheckedComboBox, TheDisplayShowsTheCountOrTheItems) {
    TxCheckedComboBox box;
    QSignalSpy changes(&box, &TxCheckedComboBox::OnChange);
    box.setItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    EXPECT_EQ(box.DisplayText(), QStringLiteral("未選択"));
    box.setChecked(0, true);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("A"));
    box.setChecked(2, true);
    box.setChecked(1, true);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("3件選択"));
    EXPECT_EQ(box.CheckedText(), QStringLiteral("A,C,B"));
    box.setDispStyle(dsItems);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("A,C,B"));
    box.setSortDisplay(true);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("A,B,C"));
    EXPECT_EQ(changes.count(), 3);
    box.setChecked(2, false);
    EXPECT_EQ(box.CheckedCount(), 2);
    EXPECT_EQ(box.CheckedText(), QStringLiteral("A,B"));

    // New items clear every tick.
    box.setItems({QStringLiteral("X")});
    EXPECT_EQ(box.CheckedCount(), 0);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("未選択"));
    box.setEmptyValue(QStringLiteral("なし"));
    EXPECT_EQ(box.DisplayText(), QStringLiteral("なし"));
}

TEST(CheckedComboBox, SingleSelectionKeepsOnlyTheLastTick) {
    TxCheckedComboBox box;
    box.setMultiSelect(false);
    box.setItems({QStringLiteral("A"), QStringLiteral("B")});
    box.setChecked(0, true);
    box.setChecked(1, true);
    EXPECT_FALSE(box.isChecked(0));
    EXPECT_EQ(box.CheckedCount(), 1);
    EXPECT_EQ(box.DisplayText(), QStringLiteral("B"));
    // Select all is offered only with several ticks allowed.
    box.SelectAll();
    EXPECT_EQ(box.CheckedCount(), 1);
    box.setMultiSelect(true);
    box.SelectAll();
    EXPECT_EQ(box.CheckedText(), QStringLiteral("A,B"));
    EXPECT_EQ(box.CheckedCount(), 2);
    box.DeSelectAll();
    EXPECT_EQ(box.CheckedText(), QString());
    EXPECT_FALSE(box.isChecked(1));
}

TEST(CheckedComboBox, TheListIsAsHighAsItsLinesAndOpensAboveNearTheBottom) {
    QWidget form;
    auto* box = new TxCheckedComboBox(&form);
    auto* next = new QLineEdit(&form);
    next->move(0, 40);
    form.resize(200, 100);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const struct { int items, columns, lines; } cases[] = {{3, 0, 3}, {40, 0, 15}, {10, 3, 4}};
    for (const auto& c : cases) {
        QStringList items;
        for (int i = 0; i < c.items; ++i)
            items << QStringLiteral("項目%1").arg(i);
        box->setItems(items);
        box->setColumns(c.columns);
        box->DropDown();
        EXPECT_EQ(box->ShownLines(), c.lines);
        EXPECT_TRUE(box->isDroppedDown());
        box->CloseUp();
        EXPECT_FALSE(box->isDroppedDown());
    }
    box->setDropDownLines(25);
    EXPECT_EQ(box->DropDownLines(), 15);

    const QRect screen = form.screen()->geometry();
    form.move(0, screen.bottom() - 60);
    box->setColumns(0);
    box->DropDown();
    EXPECT_LT(box->dropDownWindow()->geometry().bottom(), box->mapToGlobal(QPoint(0, 0)).y());
    // Enter in the list closes it and moves on.
    QTest::keyClick(box->checkList(), Qt::Key_Return);
    EXPECT_FALSE(box->isDroppedDown());
    EXPECT_TRUE(next->hasFocus());

    // F4 opens the list, Esc closes it, Enter on the closed control moves on.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_F4);
    EXPECT_TRUE(box->isDroppedDown());
    QTest::keyClick(box->checkList(), Qt::Key_Escape);
    EXPECT_FALSE(box->isDroppedDown());
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(next->hasFocus());
}

TEST(CheckedComboBox, ASpaceInTheListTicksTheCurrentItem) {
    QWidget form;
    auto* box = new TxCheckedComboBox(&form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    box->setItems({QStringLiteral("A"), QStringLiteral("B")});
    QSignalSpy clicks(box, &TxCheckedComboBox::OnClickCheck);
    box->DropDown();
    box->checkList()->setCurrentRow(1);
    QTest::keyClick(box->checkList(), Qt::Key_Space);
    EXPECT_EQ(box->CheckedText(), QStringLiteral("B"));
    EXPECT_EQ(clicks.count(), 1);
    box->CloseUp();
}

} // namespace
