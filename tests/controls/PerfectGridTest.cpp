// The list grid: rows, texts and hidden values, row shifts, colours, and the events and keys the list
// dialogs rely on.
#include "controls/PerfectGrid.h"

#include "controls/SDI.h"
#include "core/uAccRecord.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A small dataset list: No, code, name, and two hidden value columns.
void fill(TPerfectGrid& g, int rows) {
    g.SetCols(5);
    const int widths[] = {40, 70, 280, 0, 0};
    for (int c = 0; c < 5; ++c)
        g.SetColWidth(c, widths[c]);
    g.SetColAlignment(0, 1);
    g.SetCellText(-1, 0, QStringLiteral("No"));
    g.SetCellText(-1, 1, QStringLiteral("コード"));
    g.SetCellText(-1, 2, QStringLiteral("データ名  ▲"));
    g.InsertRows(0, rows);
    for (int r = 0; r < rows; ++r) {
        g.SetCellValue(r, -1, r + 1);
        g.SetCellText(r, 0, QString::number(r + 1));
        g.SetCellText(r, 1, QStringLiteral("%1").arg(100 + r * 7, 4, 10, QChar(u'0')));
        g.SetCellText(r, 2, QStringLiteral("株式会社テスト%1　第%2期").arg(r + 1).arg(10 + r));
        g.SetCellValue(r, 3, r * 0.1);
        g.SetRowBackColor(r, r % 2 ? g.OddRowBackColor() : g.BackColor());
    }
}

TEST(PerfectGrid, CellsHiddenColumnsAndRowShiftsKeepTheirValues) {
    TPerfectGrid g;
    fill(g, 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.CellText(-1, 1), QStringLiteral("コード"));
    EXPECT_EQ(g.GetCellValue(2, 3), 2 * 0.1);
    EXPECT_EQ(g.GetCellValue(4, -1), 5);
    EXPECT_EQ(g.GetColWidth(3), 0);
    EXPECT_TRUE(g.isColumnHidden(3));
    g.SetCellValue(1, 4, 1234567890123.0001);
    EXPECT_EQ(g.GetCellValue(1, 4), 1234567890123.0001);

    g.DeleteRows(1, 2);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.CellText(1, 0), QStringLiteral("4"));
    EXPECT_EQ(g.GetCellValue(1, 3), 3 * 0.1);
    g.InsertRows(1, 1);
    EXPECT_EQ(g.CellText(1, 0), QString());
    EXPECT_EQ(g.GetCellValue(1, 3), 0);
    EXPECT_EQ(g.CellText(2, 0), QStringLiteral("4"));
    g.MoveRows(0, 2, 1);
    EXPECT_EQ(g.CellText(2, 0), QStringLiteral("1"));
    EXPECT_EQ(g.GetCellValue(2, -1), 1);

    g.SetRows(4); // the most rows it holds
    g.InsertRows(0, 10);
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.CellText(7, 0), QString()); // beyond the rows: nothing, no crash
    EXPECT_EQ(g.CurrentRow(), TPerfectGrid::NoRow);
}

TEST(PerfectGrid, UserMovesReportFocusEventsKeysAndClicks) {
    TPerfectGrid g;
    SystemDef.ColHeaderColor = 0xDBDBDB;
    SystemDef.ClientColor1 = 0xFFFFFF;
    SystemDef.ClientColor2 = 0xE1F0FF;
    TBSDI::SetGridColors(&g, 0);
    fill(g, 30);
    ResetProcessState();
    g.resize(480, 200);
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));

    QStringList events;
    QObject::connect(&g, &TPerfectGrid::OnCellGotFocus,
                     [&](QObject*, int r, int c) { events << QStringLiteral("got %1,%2").arg(r).arg(c); });
    QObject::connect(&g, &TPerfectGrid::OnCellLostFocus,
                     [&](QObject*, int r, int c) { events << QStringLiteral("lost %1,%2").arg(r).arg(c); });
    QObject::connect(&g, &TPerfectGrid::OnCellClick,
                     [&](QObject*, int r, int c) { events << QStringLiteral("click %1,%2").arg(r).arg(c); });
    QObject::connect(&g, &TPerfectGrid::OnDblClick, [&](QObject*) { events << QStringLiteral("dbl"); });
    QObject::connect(&g, &TPerfectGrid::OnKeyPress, [&](QObject*, QChar& key) {
        if (key == u'\r') {
            events << QStringLiteral("enter");
            key = QChar();
        }
    });
    QObject::connect(&g, &TPerfectGrid::OnKeyDown, [&](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            events << QStringLiteral("search %1").arg(QChar(key));
            key = 0;
        }
    });

    // Set by the caller: no focus events.
    g.SetCurrentCell(0, 0);
    EXPECT_EQ(g.CurrentRow(), 0);
    EXPECT_TRUE(events.isEmpty());
    g.setFocus();
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.CurrentRow(), 1);
    QTest::keyClick(&g, Qt::Key_1);
    EXPECT_EQ(g.CurrentRow(), 1); // consumed: the grid did not search itself
    QTest::keyClick(&g, Qt::Key_Return);
    const QRect cell = g.visualItemRect(g.QTableWidget::item(3, 1));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(events, (QStringList{"lost 0,0", "got 1,0", "search 1", "enter", "lost 1,0", "got 3,1",
                                   "click 3,1", "dbl", "click -1,1"}))
        << events.join(u'|').toStdString();

    g.SetRowForeColor(3, 0x804000);
    g.SetRowFont(3, QFont(g.font().family(), g.font().pointSize(), QFont::Bold));
    g.MakeRowVisible(25);
    EXPECT_GT(g.TopRow(), 0);
    g.SetTopRow(0);
    EXPECT_EQ(g.TopRow(), 0);
    EXPECT_TRUE(g.IsRowVisible(25));
    testenv::saveShot(g, QStringLiteral("grid"));
}

} // namespace
