#include "controls/PellanExDateEdit.h"
#include "FocusForm.h"
#include "core/uAccDateCmp.h"
#include "platform/UserInteraction.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using P = TPellanExDateEdit;

TDateTime D(int y, int m, int d) {
    return TDateTime::fromDate(y, m, d);
}

TDateTime DT(int y, int mo, int d, int h, int mi, int s) {
    return TDateTime::fromDateTime(y, mo, d, h, mi, s);
}

const QString kCaption = QStringLiteral("日付時刻入力");

// The date edit between two plain edits in an active window; boxes go to the scripted interface.
class DateEdit : public ::testing::Test {
protected:
    ui::ScopedScriptedUi ui;
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    P* edit = new P(&window);
    QLineEdit* after = new QLineEdit(&window);

    void SetUp() override {
        auto* l = new QVBoxLayout(&window);
        l->addWidget(before);
        l->addWidget(edit);
        l->addWidget(after);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QLineEdit* field(P::TPart p) const { return edit->numberField(p); }
    QComboBox* era() const { return edit->selector(P::ptEra); }

    // Types into a number field as the user does: focus, replace the text, digits from the keyboard.
    void type(P::TPart p, const QString& digits) {
        field(p)->setFocus(Qt::TabFocusReason);
        field(p)->selectAll();
        if (digits.isEmpty())
            QTest::keyClick(field(p), Qt::Key_Delete);
        else
            QTest::keyClicks(field(p), digits);
    }
    void chooseEra(QComboBox* box, const QString& name) {
        box->setFocus(Qt::TabFocusReason);
        box->setCurrentIndex(box->findText(name));
    }
    void typeDate(const QString& eraName, const QString& y, const QString& m, const QString& d) {
        if (!eraName.isEmpty())
            chooseEra(era(), eraName);
        type(P::ptYear, y);
        type(P::ptMonth, m);
        type(P::ptDay, d);
    }
    QString fields() const {
        QStringList out{era()->currentText()};
        for (P::TPart p : {P::ptYear, P::ptMonth, P::ptDay, P::ptHour, P::ptMinute, P::ptSecond})
            out << field(p)->text();
        return out.join(u'|');
    }
    QStringList messages() { return ui->messageTexts(); }
};

} // namespace

TEST_F(DateEdit, EraAndWesternYears) {
    struct Case {
        const char* name;
        TPellanExRekiSet mode;
        TPellanExYeardigitSet digits;
        const char* era;
        const char* year;
        TDateTime expected;
        const char* shownAfter;
    };
    const Case cases[] = {
        {"reiwa", rsWareki, yddigit4, "令和", "5", D(2023, 4, 1), "令和|5|4|1|||"},
        {"heiseiPastItsEnd", rsWareki, yddigit4, "平成", "35", D(2023, 4, 1), "令和|5|4|1|||"},
        {"meiji", rsWareki, yddigit4, "明治", "23", D(1890, 4, 1), "明治|23|4|1|||"},
        {"westernInBoth", rsBoth, yddigit4, "西暦", "2023", D(2023, 4, 1), "令和|5|4|1|||"},
        {"eraInBoth", rsBoth, yddigit4, "昭和", "64", D(1989, 4, 1), "平成|1|4|1|||"},
        {"western", rsSeireki, yddigit4, "西暦", "2023", D(2023, 4, 1), "西暦|2023|4|1|||"},
    };
    for (const Case& c : cases) {
        edit->setGengo(c.mode);
        edit->setYeardigit(c.digits);
        edit->setDateTime(TDateTime());
        typeDate(QString::fromUtf8(c.era), QString::fromUtf8(c.year), QStringLiteral("4"),
                 QStringLiteral("1"));
        EXPECT_EQ(edit->DateTime(), c.expected) << c.name;
        EXPECT_EQ(edit->ErrorCode(), 0) << c.name;
        EXPECT_EQ(fields(), QString::fromUtf8(c.shownAfter)) << c.name;
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DateEdit, TwoDigitWesternYearsTakeTheCurrentCentury) {
    edit->setGengo(rsSeireki);
    edit->setYeardigit(yddigit2);
    EXPECT_EQ(field(P::ptYear)->maxLength(), 2);
    typeDate(QString(), QStringLiteral("25"), QStringLiteral("12"), QStringLiteral("31"));
    EXPECT_EQ(edit->DateTime(), D(QDate::currentDate().year() / 100 * 100 + 25, 12, 31));
    EXPECT_EQ(field(P::ptYear)->text(), QStringLiteral("25"));
}

TEST_F(DateEdit, InvalidDatesAreReportedAndReadAsNothing) {
    struct Case {
        const char* name;
        TPellanExRekiSet mode;
        const char* era;
        const char* y;
        const char* m;
        const char* d;
        quint16 code;
        const char* message;
    };
    const Case cases[] = {
        {"februaryThirtieth", rsSeireki, "西暦", "2023", "2", "30", P::ecDate,
         "日付が正しくありません（変換できません）．　　"},
        {"monthThirteen", rsWareki, "令和", "5", "13", "1", P::ecDate,
         "日付が正しくありません（変換できません）．　　"},
        {"beforeTheLowerLimit", rsSeireki, "西暦", "1872", "12", "31", P::ecBeforeLowerLimit,
         "1873年01月01日(明治6年01月01日)より前の日付は処理できません．　　"},
        {"year2999InEraMode", rsBoth, "西暦", "2999", "1", "1", P::ecEraYear,
         "2999年以降は元号に変換できません．　　"},
    };
    for (const Case& c : cases) {
        edit->setDateTime(D(2000, 1, 1));
        edit->setGengo(c.mode);
        ui->clear();
        typeDate(QString::fromUtf8(c.era), QString::fromUtf8(c.y), QString::fromUtf8(c.m),
                 QString::fromUtf8(c.d));
        after->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(edit->DateTime(), TDateTime()) << c.name;
        EXPECT_EQ(edit->ErrorCode(), c.code) << c.name;
        ASSERT_EQ(messages().size(), 1) << c.name;
        EXPECT_EQ(messages()[0], QString::fromUtf8(c.message)) << c.name;
        EXPECT_EQ(ui->shown()[0].message.caption, kCaption) << c.name;
        EXPECT_EQ(QApplication::focusWidget(), field(P::ptYear)) << c.name;
        EXPECT_EQ(field(P::ptDay)->text(), QString::fromUtf8(c.d)) << c.name; // what was typed stays
    }
    // 2999 is a Western year like any other.
    edit->setGengo(rsSeireki); // checks the input left over, and reports it
    ui->clear();
    typeDate(QString(), QStringLiteral("2999"), QStringLiteral("1"), QStringLiteral("1"));
    EXPECT_EQ(edit->DateTime(), D(2999, 1, 1));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DateEdit, BlankFields) {
    EXPECT_EQ(edit->DateTime(), TDateTime()); // all blank and allowed
    EXPECT_TRUE(messages().isEmpty());

    edit->setCanEmpty(false);
    EXPECT_EQ(edit->DateTime(), TDateTime());
    EXPECT_EQ(edit->ErrorCode(), P::ecAllBlank);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("入力欄が全て空白です．　　")});

    ui->clear();
    typeDate(QStringLiteral("令和"), QStringLiteral("5"), QString(), QStringLiteral("1"));
    EXPECT_EQ(edit->DateTime(), TDateTime());
    EXPECT_EQ(edit->ErrorCode(), P::ecBlankMonth);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("空白の入力欄があります．　　")});
    EXPECT_EQ(QApplication::focusWidget(), field(P::ptMonth));

    // A blank era alone is no error: the year counts in the newest era.
    ui->clear();
    era()->setCurrentIndex(-1);
    type(P::ptMonth, QStringLiteral("4"));
    EXPECT_EQ(edit->DateTime(), D(2023, 4, 1));

    // Changing the year mode checks what is there.
    ui->clear();
    edit->setDateTime(TDateTime());
    edit->setGengo(rsBoth);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("入力欄が全て空白です．　　")});
}

TEST_F(DateEdit, YearMonthAndYearStyles) {
    edit->setGengo(rsSeireki);
    edit->setEditStyle(desYearMonth);
    EXPECT_FALSE(field(P::ptDay)->isVisible());
    type(P::ptYear, QStringLiteral("2023"));
    type(P::ptMonth, QStringLiteral("7"));
    EXPECT_EQ(edit->DateTime(), D(2023, 7, 1));
    edit->setEditStyle(desYear);
    type(P::ptYear, QStringLiteral("2024"));
    EXPECT_EQ(edit->DateTime(), D(2024, 1, 1));
}

TEST_F(DateEdit, TwelveAndTwentyFourHourEntry) {
    edit->setGengo(rsSeireki);
    edit->setEditStyle(desYearMonthDayHMS);
    edit->setEditAmpm(true);
    QComboBox* ampm = edit->selector(P::ptAmpm);
    typeDate(QString(), QStringLiteral("2023"), QStringLiteral("4"), QStringLiteral("1"));
    chooseEra(ampm, QStringLiteral("午後"));
    type(P::ptHour, QStringLiteral("0"));
    type(P::ptMinute, QStringLiteral("30"));
    type(P::ptSecond, QStringLiteral("0"));
    EXPECT_EQ(edit->DateTime(), DT(2023, 4, 1, 12, 30, 0));
    type(P::ptHour, QStringLiteral("12"));
    EXPECT_EQ(edit->DateTime(), TDateTime());
    EXPECT_EQ(edit->ErrorCode(), P::ecTime);
    EXPECT_EQ(messages().last(), QStringLiteral("時刻の入力可能な値は11時59分59秒までです．　　"));
    EXPECT_EQ(QApplication::focusWidget(), field(P::ptHour));

    edit->setEditAmpm(false);
    struct Case {
        const char* h;
        const char* m;
        const char* s;
        bool ok;
        QWidget* focus;
    };
    const Case cases[] = {
        {"23", "59", "59", true, nullptr},
        {"24", "0", "0", false, field(P::ptHour)},
        {"10", "60", "0", false, field(P::ptMinute)},
        {"10", "0", "60", false, field(P::ptMinute)},
    };
    for (const Case& c : cases) {
        ui->clear();
        type(P::ptHour, QString::fromLatin1(c.h));
        type(P::ptMinute, QString::fromLatin1(c.m));
        type(P::ptSecond, QString::fromLatin1(c.s));
        const TDateTime v = edit->DateTime();
        EXPECT_EQ(v.isNull(), !c.ok) << c.h << ":" << c.m << ":" << c.s;
        if (!c.ok) {
            EXPECT_EQ(messages(),
                      QStringList{QStringLiteral("時刻の入力可能な値は23時59分59秒までです．　　")});
            EXPECT_EQ(QApplication::focusWidget(), c.focus);
        }
    }
}

TEST_F(DateEdit, MidnightIsShownAsATime) {
    edit->setEditStyle(desYearMonthDayHMS);
    edit->setDateTime(DT(2023, 4, 1, 10, 20, 30));
    EXPECT_EQ(fields(), QStringLiteral("令和|5|4|1|10|20|30"));
    edit->setDateTime(D(2023, 4, 2));
    EXPECT_EQ(fields(), QStringLiteral("令和|5|4|2|0|0|0"));
    EXPECT_EQ(edit->DateTime(), D(2023, 4, 2));

    edit->setEditStyle(desHourMinute);
    edit->setMaxDate(DT(2030, 1, 1, 23, 59, 59));
    edit->setDateTime(D(2023, 4, 2)); // midnight
    EXPECT_EQ(field(P::ptHour)->text(), QStringLiteral("0"));
    EXPECT_EQ(field(P::ptMinute)->text(), QStringLiteral("0"));
    EXPECT_EQ(edit->DateTime(), D(2030, 1, 1)); // time-only: the date of the maximum
    edit->setDateTime(TDateTime());
    EXPECT_EQ(field(P::ptHour)->text(), QString());
}

TEST_F(DateEdit, DatesBefore1900AreKept) {
    edit->setDateTime(D(1890, 5, 1));
    EXPECT_EQ(fields(), QStringLiteral("明治|23|5|1|||"));
    EXPECT_EQ(edit->DateTime(), D(1890, 5, 1));
    edit->setDateTime(D(1899, 12, 29));
    EXPECT_EQ(edit->DateTime(), D(1899, 12, 29));
    typeDate(QStringLiteral("明治"), QStringLiteral("6"), QStringLiteral("1"), QStringLiteral("1"));
    EXPECT_EQ(edit->DateTime(), D(1873, 1, 1));
    // Nothing before the lower limit is shown.
    edit->setDateTime(D(1850, 1, 1));
    EXPECT_EQ(fields(), QStringLiteral("||||||"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DateEdit, LimitsFilterTheErasAndReplaceTypedDates) {
    BuildEraTable();
    edit->SetEraTable(GengoTable);
    edit->setGengo(rsBoth);
    edit->setMinDate(D(2019, 4, 1));
    edit->setMaxDate(D(2020, 3, 31));
    EXPECT_EQ(edit->eraNames(), (QStringList{QStringLiteral("令和"), QStringLiteral("平成")}));
    EXPECT_EQ(era()->itemText(0), QStringLiteral("西暦"));

    typeDate(QStringLiteral("平成"), QStringLiteral("30"), QStringLiteral("1"), QStringLiteral("1"));
    EXPECT_EQ(edit->DateTime(), D(2019, 4, 1));
    EXPECT_EQ(edit->ErrorCode(), 0);
    EXPECT_EQ(messages(),
              QStringList{QStringLiteral("入力可能な範囲外の日付です．2019/04/01に置き換えました．　　")});
    EXPECT_EQ(fields(), QStringLiteral("平成|31|4|1|||"));

    ui->clear();
    typeDate(QStringLiteral("令和"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1"));
    EXPECT_EQ(edit->DateTime(), D(2020, 3, 1));
    EXPECT_TRUE(messages().isEmpty());

    // Values the program writes are kept inside the limits without a word.
    edit->setDateTime(D(2021, 1, 1));
    EXPECT_EQ(edit->DateTime(), D(2020, 3, 31));
    EXPECT_TRUE(messages().isEmpty());
    GengoTable.clear();
}

TEST_F(DateEdit, SecondRowForTheTime) {
    edit->setEditStyle(desYearMonthDayHMS);
    const int rowHeight = edit->part(P::ptYear)->height();
    edit->setSpaceWidth(-4);
    EXPECT_EQ(edit->height(), 2 * rowHeight + 4);
    EXPECT_EQ(edit->part(P::ptHour)->y(), rowHeight + 4);
    EXPECT_EQ(edit->part(P::ptHour)->x(), 0);
    edit->setSpaceWidth(7);
    EXPECT_EQ(edit->height(), rowHeight);
    EXPECT_EQ(edit->part(P::ptHour)->x(), edit->label(2)->geometry().right() + 1 + 7);
}

TEST_F(DateEdit, KeysMoveThroughTheFields) {
    era()->setCurrentIndex(0);
    era()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(era(), Qt::Key_Down); // opens the list
    QAbstractItemView* list = era()->view();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return); // takes the item and moves on
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(era()->currentText(), QStringLiteral("平成"));
    EXPECT_EQ(QApplication::focusWidget(), field(P::ptYear));

    QTest::keyClicks(field(P::ptYear), QStringLiteral("3a1"));
    EXPECT_EQ(field(P::ptYear)->text(), QStringLiteral("31"));
    QTest::keyClick(field(P::ptYear), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), field(P::ptMonth));
    QTest::keyClicks(field(P::ptMonth), QStringLiteral("4"));
    QTest::keyClick(field(P::ptMonth), Qt::Key_Return);
    QTest::keyClicks(field(P::ptDay), QStringLiteral("30"));
    QTest::keyClick(field(P::ptDay), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), after);
    EXPECT_EQ(edit->DateTime(), D(2019, 4, 30));

    // Delete empties a selector.
    era()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(era(), Qt::Key_Delete);
    EXPECT_EQ(era()->currentIndex(), -1);
}

TEST_F(DateEdit, InputMethodTextIsDigitsOnly) {
    field(P::ptMonth)->setFocus(Qt::TabFocusReason);
    QInputMethodEvent e;
    e.setCommitString(QStringLiteral("令和１2"));
    QApplication::sendEvent(field(P::ptMonth), &e);
    EXPECT_EQ(field(P::ptMonth)->text(), QStringLiteral("2"));
}

TEST_F(DateEdit, ExitCheckKeepsTheFocusOnABadDate) {
    edit->setExitCheck(true);
    edit->setGengo(rsSeireki);
    typeDate(QString(), QStringLiteral("2023"), QStringLiteral("2"), QStringLiteral("29"));
    after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("日付が正しくありません（変換できません）．　　")});
    EXPECT_EQ(QApplication::focusWidget(), field(P::ptYear));

    ui->clear();
    type(P::ptDay, QStringLiteral("28"));
    after->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), after);
    EXPECT_EQ(edit->DateTime(), D(2023, 2, 28));
}

TEST_F(DateEdit, ErrorsWithoutBoxesStillReadAsNothing) {
    edit->setDisplayError(false);
    edit->setGengo(rsSeireki);
    typeDate(QString(), QStringLiteral("2023"), QStringLiteral("2"), QStringLiteral("30"));
    EXPECT_EQ(edit->DateTime(), TDateTime());
    EXPECT_EQ(edit->ErrorCode(), P::ecDate);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DateEdit, ModeChangeKeepsTheTypedDate) {
    typeDate(QStringLiteral("令和"), QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("1"));
    edit->setGengo(rsBoth);
    EXPECT_EQ(fields(), QStringLiteral("令和|5|4|1|||"));
    EXPECT_EQ(edit->DateTime(), D(2023, 4, 1));
    edit->setEditGengo(false); // Western years only
    EXPECT_EQ(edit->Gengo(), rsSeireki);
    EXPECT_EQ(field(P::ptYear)->text(), QStringLiteral("2023"));
    EXPECT_EQ(edit->DateTime(), D(2023, 4, 1));
    EXPECT_TRUE(messages().isEmpty());
}
