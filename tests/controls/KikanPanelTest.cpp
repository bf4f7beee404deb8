#include "FocusForm.h"
#include "controls/xKikanPanel12.h"
#include "controls/xKikanPanel16.h"
#include "controls/xKikanPanel4.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TDateTime D(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

QString captions(const TxKikanPanelBase& p) {
    QStringList out;
    for (int i = 0; i < p.buttonCount(); ++i)
        out << p.button(i)->caption();
    return out.join(u' ');
}

// "1" per enabled slot, "0" per disabled one.
QString enabledMask(const TxKikanPanelBase& p) {
    QString out;
    for (int i = 0; i < p.buttonCount(); ++i)
        out += p.slotEnabled(i) ? u'1' : u'0';
    return out;
}

// Plain numbers: the dates are built when a test runs, not during static initialisation.
struct Ymd {
    int y, m, d;
    TDateTime date() const { return D(y, m, d); }
};
struct Year {
    int closingDay;
    Ymd start, end, input;
};

const Year kApril{99, {2021, 4, 1}, {2022, 3, 31}, {2021, 4, 1}};
const Year kJanuaryClosing15{15, {2022, 12, 16}, {2023, 12, 15}, {2022, 12, 16}};
const Year kSixMonths{99, {2021, 4, 1}, {2021, 9, 30}, {2021, 4, 1}};
const Year kClosing20From21st{20, {2021, 3, 21}, {2022, 3, 20}, {2021, 3, 21}};
const Year kInputFromJuly{99, {2021, 4, 1}, {2022, 3, 31}, {2021, 7, 1}};
const Year kInputFromNovember{99, {2021, 4, 1}, {2022, 3, 31}, {2021, 11, 1}};
// Thirteen months: a first year that runs one month long, and a closing day 20 on a year that starts
// on the 1st (its end 31 March closes on 20 April, thirteen periods after the start).
const Year kThirteenMonths{99, {2021, 4, 1}, {2022, 4, 30}, {2021, 4, 1}};
const Year kClosing20From1st{20, {2021, 4, 1}, {2022, 3, 31}, {2021, 4, 1}};

template <class P> void load(P& p, const Year& y) {
    p.SetKikan(y.closingDay, y.start.date(), y.end.date(), y.input.date());
}

// The panel, focused, between two edits.
template <class P> struct Form : FocusForm<P> {
    P* panel = this->control;
    Form() { panel->setFocus(Qt::TabFocusReason); }
};

struct SlotCase {
    const char* name;
    Year year;
    const char* captions;
    const char* enabled;
    int lastNo, stno, edno;
};

template <class P> void expectSlots(const SlotCase& c) {
    P p;
    load(p, c.year);
    EXPECT_EQ(captions(p), QString::fromUtf8(c.captions)) << c.name;
    EXPECT_EQ(enabledMask(p), QLatin1String(c.enabled)) << c.name;
    EXPECT_EQ(p.LastNo(), c.lastNo) << c.name;
    EXPECT_EQ(p.Stno(), c.stno) << c.name;
    EXPECT_EQ(p.Edno(), c.edno) << c.name;
}

} // namespace

TEST(KikanPanel16, SlotsOfFiscalYears) {
    const SlotCase cases[] = {
        {"april", kApril, "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決", "1111111111111111", 15, 0, 15},
        {"januaryWithClosingDay15", kJanuaryClosing15, "1 2 3 ・ 4 5 6 ・ 7 8 9 ・ 10 11 12 決",
         "1111111111111111", 15, 0, 15},
        {"sixMonths", kSixMonths, "4 5 6 ・ 7 8 9 決        ", "1111111100000000", 7, 0, 7},
        {"closing20From21st", kClosing20From21st, "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決",
         "1111111111111111", 15, 0, 15},
        {"inputFromFourthMonth", kInputFromJuly, "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決", "0000111111111111",
         15, 4, 15},
        {"thirteenMonths", kThirteenMonths, "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決", "1111111111111111", 15,
         0, 15},
        {"closing20From1st", kClosing20From1st, "4 5 6 ・ 7 8 9 ・ 10 11 12 ・ 1 2 3 決", "1111111111111111",
         15, 0, 15},
    };
    for (const SlotCase& c : cases) {
        expectSlots<TxKikanPanel16>(c);
        TxKikanPanel16 p;
        load(p, c.year);
        EXPECT_EQ(p.EdMonthNo(), 15) << c.name; // the year-end settlement
    }
}

TEST(KikanPanel16, ConstructorLoadsTheCalendarYear) {
    TxKikanPanel16 p;
    EXPECT_EQ(captions(p), QStringLiteral("1 2 3 ・ 4 5 6 ・ 7 8 9 ・ 10 11 12 決"));
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 15);
    EXPECT_EQ(p.LastNo(), 15);
    EXPECT_EQ(p.button(0)->objectName(), QStringLiteral("No1"));
}

TEST(KikanPanel16, PeriodIndexesAndSettlementOfAShortYear) {
    TxKikanPanel16 p;
    load(p, kSixMonths);
    p.setStno(5);
    p.setEdno(6);
    EXPECT_EQ(p.StMonthNo(), 5);
    EXPECT_EQ(p.EdMonthNo(), 6);
    p.setEdno(12); // above LastNo
    EXPECT_EQ(p.Edno(), 7);
    EXPECT_EQ(p.EdMonthNo(), 15);
    p.setStno(10);
    EXPECT_EQ(p.StMonthNo(), -1); // after the period
    p.setStno(20);
    EXPECT_EQ(p.StMonthNo(), 20);

    p.setKESSAN(false);
    EXPECT_EQ(enabledMask(p), QStringLiteral("1111111000000000"));
    EXPECT_EQ(p.button(7)->caption(), QString());
    EXPECT_EQ(p.LastNo(), 7);
    p.setEdno(7);
    EXPECT_EQ(p.Edno(), 7);
    p.setKESSAN(true);
    EXPECT_EQ(enabledMask(p), QStringLiteral("1111111100000000"));
    EXPECT_EQ(p.button(7)->caption(), QStringLiteral("決"));
}

TEST(KikanPanel16, KessanOffBeforeLoadingLeavesTheSettlementSlotEmpty) {
    TxKikanPanel16 p;
    p.setKESSAN(false);
    load(p, kApril);
    EXPECT_EQ(enabledMask(p), QStringLiteral("1111111111111110"));
    EXPECT_EQ(p.button(15)->caption(), QString());
    EXPECT_EQ(p.Edno(), 14);
    EXPECT_EQ(p.LastNo(), 15);
}

TEST(KikanPanel16, ColoursOfSelectionConfirmedPeriodsAndDisabledPanel) {
    TxKikanPanel16 p;
    load(p, kApril);
    p.setStno(8);
    p.setEdno(10);
    p.setKakuteiMode(true);
    p.setKakuteiMNo(5);
    EXPECT_EQ(p.button(4)->backColor(), clKakuteiOrange);
    EXPECT_EQ(p.button(4)->fontColor(), clWhite);
    EXPECT_EQ(p.button(5)->backColor(), clBtnFace);
    EXPECT_EQ(p.button(8)->backColor(), clNavy);
    EXPECT_EQ(p.button(8)->fontColor(), clWhite);

    p.setEnabled(false);
    EXPECT_EQ(p.button(9)->backColor(), clSilver);
    EXPECT_EQ(p.button(9)->fontColor(), clGray);
    EXPECT_EQ(p.button(4)->backColor(), clBtnFace);
    p.setDisabelColor(0x00FF00);
    EXPECT_EQ(p.button(9)->backColor(), 0x00FF00u);
}

TEST(KikanPanel16, KikanMoveFalseKeepsOneSlot) {
    TxKikanPanel16 p;
    load(p, kApril);
    p.setKikanMove(false);
    EXPECT_EQ(p.Edno(), p.Stno());
    load(p, kInputFromJuly);
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 4);
}

TEST(KikanPanel16, ArrowKeysTrackAndShiftReleaseCompletes) {
    Form<TxKikanPanel16> f;
    TxKikanPanel16& p = *f.panel;
    load(p, kInputFromJuly); // first enabled slot 4
    QSignalSpy ups(&p, &TxKikanPanelBase::OnMouseUp);

    QTest::keyClick(&p, Qt::Key_Right);
    EXPECT_EQ(p.Stno(), 5);
    EXPECT_EQ(p.Edno(), 5);
    QTest::keyClick(&p, Qt::Key_Left);
    QTest::keyClick(&p, Qt::Key_Left); // the first enabled slot bounds the move
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 4);

    QTest::keyPress(&p, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyPress(&p, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 6);
    EXPECT_EQ(p.button(5)->backColor(), clNavy);
    // Shift+Left past the anchor: the pair stands reversed until Shift is released.
    for (int i = 0; i < 3; ++i)
        QTest::keyPress(&p, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 4); // cannot pass the first enabled slot
    QTest::keyPress(&p, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyRelease(&p, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 5);
    EXPECT_EQ(ups.count(), 0);

    // Arrows, then Tab: one OnMouseUp when the focus leaves.
    QTest::keyClick(&p, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.after);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(ups[0][3].toPoint(), QPoint(0, 0));
}

TEST(KikanPanel16, EnterCompletesOnceAndMovesOn) {
    Form<TxKikanPanel16> f;
    TxKikanPanel16& p = *f.panel;
    load(p, kApril);
    QSignalSpy ups(&p, &TxKikanPanelBase::OnMouseUp);
    QTest::keyClick(&p, Qt::Key_Right);
    QTest::keyClick(&p, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.after);
    EXPECT_EQ(ups.count(), 1); // Enter cleared the pending notification of the arrows
    EXPECT_FALSE(p.KBDMOUSE());

    p.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&p, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), f.before);
}

TEST(KikanPanel16, MouseDragSelectsARangeAndDisabledSlotsTakeNoClick) {
    Form<TxKikanPanel16> f;
    TxKikanPanel16& p = *f.panel;
    load(p, kInputFromJuly);
    QSignalSpy ups(&p, &TxKikanPanelBase::OnMouseUp);
    QSignalSpy downs(&p, &TxKikanPanelBase::OnMouseDown);

    QTest::mousePress(p.button(9), Qt::LeftButton);
    EXPECT_EQ(downs.count(), 1);
    QTest::mouseMove(p.button(6));
    QTest::mouseRelease(p.button(9), Qt::LeftButton);
    EXPECT_EQ(p.Stno(), 6);
    EXPECT_EQ(p.Edno(), 9);
    EXPECT_EQ(ups.count(), 1);

    // A disabled slot never becomes part of the selection.
    QTest::mouseClick(p.button(1), Qt::LeftButton);
    EXPECT_EQ(p.Stno(), 6);
    EXPECT_EQ(p.Edno(), 9);

    p.setKikanMove(false);
    QTest::mousePress(p.button(12), Qt::LeftButton);
    QTest::mouseMove(p.button(14));
    QTest::mouseRelease(p.button(12), Qt::LeftButton);
    EXPECT_EQ(p.Stno(), 12);
    EXPECT_EQ(p.Edno(), 12);
}

TEST(KikanPanel16, LayoutSnapsTheWidthToTheSlots) {
    TxKikanPanel16 p;
    p.resize(242, 22);
    p.show();
    EXPECT_EQ(p.width(), 232); // 16 × 14 + 8
    EXPECT_EQ(p.button(0)->geometry(), QRect(4, 3, 14, 16));
    EXPECT_EQ(p.button(15)->geometry().left(), 4 + 15 * 14);
}

TEST(KikanPanel12, MonthsOfFiscalYears) {
    const SlotCase cases[] = {
        {"april", kApril, "4 5 6 7 8 9 10 11 12 1 2 3", "111111111111", 11, 0, 11},
        {"januaryWithClosingDay15", kJanuaryClosing15, "1 2 3 4 5 6 7 8 9 10 11 12", "111111111111", 11, 0,
         11},
        {"sixMonths", kSixMonths, "4 5 6 7 8 9      ", "111111000000", 5, 0, 5},
        {"inputFromFourthMonth", kInputFromJuly, "4 5 6 7 8 9 10 11 12 1 2 3", "000111111111", 11, 3, 11},
        {"thirteenMonths", kThirteenMonths, "4 5 6 7 8 9 10 11 12 1 2 3", "111111111111", 11, 0, 11},
        {"closing20From1st", kClosing20From1st, "4 5 6 7 8 9 10 11 12 1 2 3", "111111111111", 11, 0, 11},
    };
    for (const SlotCase& c : cases)
        expectSlots<TxKikanPanel12>(c);
}

TEST(KikanPanel12, SettersKeepTheRangeInOrderAndInside) {
    TxKikanPanel12 p;
    load(p, kApril);
    p.setStno(3);
    EXPECT_EQ(p.StMonNo(), 4);
    p.setStno(9);
    p.setEdno(2);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 9);
    EXPECT_EQ(p.EdMonNo(), 12);
    p.setEdno(20);
    EXPECT_EQ(p.Edno(), 11);
    p.setStno(-3);
    EXPECT_EQ(p.Stno(), 0);
}

TEST(KikanPanel12, EnterLeavesTheArrowNotificationPending) {
    Form<TxKikanPanel12> f;
    TxKikanPanel12& p = *f.panel;
    load(p, kApril);
    QSignalSpy ups(&p, &TxKikanPanelBase::OnMouseUp);
    QTest::keyClick(&p, Qt::Key_Right);
    QTest::keyClick(&p, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.after);
    EXPECT_EQ(ups.count(), 2); // Enter, then the focus exit after arrows
}

TEST(KikanPanel4, QuartersAndHalfYears) {
    struct Case {
        const char* name;
        int count;
        Year year;
        bool kikanMove;
        const char* captions;
        const char* enabled;
        int stno, edno;
    };
    const Case cases[] = {
        {"fullYear", 4, kApril, true, "1 2 3 4", "1111", 0, 3},
        {"fullYearSingle", 4, kApril, false, "1 2 3 4", "1111", 0, 0},
        {"inputFromFifthMonth",
         4,
         {99, {2021, 4, 1}, {2022, 3, 31}, {2021, 8, 1}},
         true,
         "1 2 3 4",
         "0111",
         1,
         3},
        {"sixMonths", 4, kSixMonths, true, "1 2 3 4", "1100", 0, 1},
        {"halvesFromEighthMonth", 2, kInputFromNovember, true, "上 下  ", "0100", 1, 1},
        {"halvesFullYear", 2, kApril, true, "上 下  ", "1100", 0, 1},
    };
    for (const Case& c : cases) {
        TxKikanPanel4 p;
        p.setBtnCnt(c.count);
        p.setKikanMove(c.kikanMove);
        load(p, c.year);
        EXPECT_EQ(captions(p), QString::fromUtf8(c.captions)) << c.name;
        EXPECT_EQ(enabledMask(p).left(c.count), QLatin1String(c.enabled).left(c.count)) << c.name;
        EXPECT_EQ(p.Stno(), c.stno) << c.name;
        EXPECT_EQ(p.Edno(), c.edno) << c.name;
        EXPECT_EQ(p.button(c.stno)->backColor(), clNavy) << c.name;
    }
}

TEST(KikanPanel4, ButtonCount) {
    TxKikanPanel4 p;
    EXPECT_EQ(p.width(), 80);
    p.setBtnCnt(3);
    EXPECT_EQ(p.BtnCnt(), 4);
    p.setStno(2);
    p.setEdno(2);
    p.setBtnCnt(2);
    EXPECT_FALSE(p.button(2)->isVisibleTo(&p));
    EXPECT_FALSE(p.button(3)->isVisibleTo(&p));
    EXPECT_EQ(p.button(3)->caption(), QString());
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 1);
}

TEST(KikanPanel4, ArrowKeysNeverSelectADisabledQuarter) {
    Form<TxKikanPanel4> f;
    TxKikanPanel4& p = *f.panel;
    load(p, Year{99, {2021, 4, 1}, {2021, 12, 31}, {2021, 8, 1}}); // quarters 2 and 3 hold input
    ASSERT_EQ(enabledMask(p), QStringLiteral("0110"));

    QTest::keyClick(&p, Qt::Key_Left);
    EXPECT_EQ(p.Stno(), 1);
    EXPECT_EQ(p.Edno(), 1);
    QTest::keyClick(&p, Qt::Key_Left);
    EXPECT_EQ(p.Stno(), 1); // the first enabled quarter stays selected alone
    QTest::keyClick(&p, Qt::Key_Right);
    QTest::keyClick(&p, Qt::Key_Right);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 2);
    QTest::keyPress(&p, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyPress(&p, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyPress(&p, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyRelease(&p, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(p.Stno(), 1);
    EXPECT_EQ(p.Edno(), 2);

    // A selection the owner placed on a disabled quarter is pulled back by the first arrow.
    p.setStno(3);
    p.setEdno(3);
    QTest::keyClick(&p, Qt::Key_Right);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 2);
}
