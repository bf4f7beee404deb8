// The margin dialog, the engine's edit and its key filter; the dialog as the preview uses it.
#include "PreviewTestSupport.h"

#include "controls/UpDown.h"
#include "print/Mavrolex_Edit.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_yohaku.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QTest>
#include <QToolButton>
#include <optional>

TEST(FilterNumericKeyTest, AcceptsAndRefusesByModeTextAndSelection) {
    struct Case {
        int mode;
        const char* text;
        char key;
        bool whole;
        bool accepted;
    };
    const Case cases[] = {
        // mode 0: digits only, no second zero of a zero
        {0, "", '5', false, true},
        {0, "", '\b', false, false},
        {0, "0", '0', false, false},
        {0, "0", '0', true, false},
        {0, "10", '0', false, true},
        {0, "", '-', false, false},
        // mode 1: Backspace too
        {1, "12", '\b', false, true},
        {1, "0.0", '0', false, false},
        {1, "1", 'a', false, false},
        // mode 2: one point, not first
        {2, "", '.', false, false},
        {2, "1", '.', false, true},
        {2, "1.5", '.', false, false},
        {2, "1.5", '.', true, false},
        {2, "0", '0', false, false},
        {2, "0", '0', true, true},
        {2, ".", '0', false, false},
        {2, "", '-', false, false},
        // mode 3: a minus only into an empty text
        {3, "", '-', false, true},
        {3, "5", '-', false, false},
        {3, "5", '-', true, true},
        {3, "-", '0', false, false},
        {3, "0", '0', false, false},
        {3, "0", '0', true, true},
        {3, "-1", '0', false, true},
        {3, "1", '.', false, false},
        {3, "1", '\b', false, true},
        {3, "1", ' ', false, false},
        // mode 4: both
        {4, "-", '.', false, true},
        {4, "", '.', false, false},
        {4, "-1", '-', false, false},
        {4, ".", '0', false, false},
        {4, "-", '0', false, false},
        {4, "-", '0', true, true},
        {4, "2", '.', false, true},
        // unknown modes take nothing
        {5, "", '1', false, false},
    };
    for (const Case& c : cases) {
        const QChar key = QLatin1Char(c.key);
        const std::optional<QChar> got = FilterNumericKey(QString::fromLatin1(c.text), key, c.mode, c.whole);
        EXPECT_EQ(got.has_value(), c.accepted)
            << "mode " << c.mode << " text '" << c.text << "' key '" << c.key << "' whole " << c.whole;
        if (got) {
            EXPECT_EQ(*got, key);
        }
    }
}

class EditMvxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(200, 100);
        for (auto** e : {&a, &b, &c})
            *e = new TEditMvx(&form);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    QWidget form;
    TEditMvx *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(EditMvxTest, ArrowsAndEnterMoveTheFocusAsTheKeyStylesSay) {
    EXPECT_EQ(b->KeyStyles(), TKeyStyles(ksEnter | ksUp));
    EXPECT_EQ(b->KeyEdit3D(), TxEdit::bsSingle);
    b->setText(QStringLiteral("123"));
    b->setFocus();
    EXPECT_EQ(b->selectedText(), QStringLiteral("123"));
    // Right at the end without a selection stays; Up goes back.
    b->setCursorPosition(3);
    QTest::keyClick(b, Qt::Key_Right);
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_TRUE(a->hasFocus());
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    // Right moves on only with ksRight and the whole text selected.
    b->setKeyStyles(TKeyStyles(ksRight | TKeyStyle(64)));
    EXPECT_EQ(b->KeyStyles(), TKeyStyles(ksRight));
    b->selectAll();
    QTest::keyClick(b, Qt::Key_Right);
    EXPECT_TRUE(c->hasFocus());
}

TEST_F(EditMvxTest, ZeroLeavesTheTextAndTypedCharactersAreTheReading) {
    a->setText(QStringLiteral("12"));
    a->setLong(0);
    a->setCurr(Money());
    EXPECT_EQ(a->text(), QStringLiteral("12"));
    a->setLong(-7);
    EXPECT_EQ(a->Long(), -7);
    a->setText(QStringLiteral("x"));
    EXPECT_EQ(a->Long(), 0);

    b->setKanaSw(true);
    b->setFocus();
    QTest::keyClicks(b, QStringLiteral("ab"));
    EXPECT_EQ(b->kana(), QStringLiteral("ab"));
}

class MarginDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    Tfmyohaku dlg;
};

TEST_F(MarginDialogTest, FieldsAreClampedWhenTheFocusLeavesThem) {
    struct Case {
        const char* name;
        TEditMvx* (Tfmyohaku::*field)() const;
        QString typed, shown;
    };
    const Case cases[] = {
        {"topAbove", &Tfmyohaku::EdTop, QStringLiteral("150"), QStringLiteral("100")},
        {"leftBelow", &Tfmyohaku::EdLeft, QStringLiteral("-99"), QStringLiteral("-99")},
        {"verticalAbove", &Tfmyohaku::EdVertical, QStringLiteral("70"), QStringLiteral("50")},
        {"horizontalBelow", &Tfmyohaku::EdHorizontal, QStringLiteral("-60"), QStringLiteral("-50")},
        {"notANumber", &Tfmyohaku::EdTop, QStringLiteral("-"), QStringLiteral("-")},
    };
    for (const Case& c : cases) {
        TEditMvx* field = (dlg.*c.field)();
        field->setFocus();
        QTest::keyClicks(field, c.typed);
        EXPECT_EQ(field->text(), c.typed) << c.name;
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_FALSE(field->hasFocus()) << c.name;
        EXPECT_EQ(field->text(), c.shown) << c.name;
    }
}

TEST_F(MarginDialogTest, TypedKeysGoThroughTheFilterAndAtMostThreeCharacters) {
    TEditMvx* top = dlg.EdTop();
    top->setFocus();
    EXPECT_EQ(top->text(), QStringLiteral("0"));
    top->setCursorPosition(1);
    QTest::keyClicks(top, QStringLiteral("0-a."));
    EXPECT_EQ(top->text(), QStringLiteral("0"));
    top->selectAll();
    QTest::keyClicks(top, QStringLiteral("-1234"));
    EXPECT_EQ(top->text(), QStringLiteral("-12"));
    // The spin button reaches -100 from there.
    for (int i = 0; i < 12; ++i)
        dlg.UpDown(2)->downButton()->click();
    EXPECT_EQ(top->text(), QStringLiteral("-100"));
}

TEST_F(MarginDialogTest, PastingChangesNothing) {
    QApplication::clipboard()->setText(QStringLiteral("77"));
    TxEdit plain(&dlg);
    plain.show();
    plain.setFocus();
    QTest::keyClick(&plain, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(plain.text(), QStringLiteral("77")) << "the clipboard works in this test";

    TEditMvx* left = dlg.EdLeft();
    left->setFocus();
    left->setCursorPosition(1);
    QTest::keyClick(left, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(left, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::mouseClick(left, Qt::MiddleButton);
    EXPECT_EQ(left->text(), QStringLiteral("0"));
}

TEST_F(MarginDialogTest, RatiosAreShownAroundAThousandAndTakenOnOk) {
    dlg.setTopOffset(30);
    dlg.setLeftOffset(-20);
    dlg.setVRatio(940);
    dlg.setHRatio(1012);
    EXPECT_EQ(dlg.EdTop()->text(), QStringLiteral("30"));
    EXPECT_EQ(dlg.EdLeft()->text(), QStringLiteral("-20"));
    EXPECT_EQ(dlg.EdVertical()->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.EdHorizontal()->text(), QStringLiteral("12"));
    EXPECT_EQ(dlg.VRatio(), 940);
    dlg.EdVertical()->setText(QStringLiteral("3"));
    dlg.EdTop()->setText(QStringLiteral("x"));
    dlg.Button1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.TopOffset(), 0);
    EXPECT_EQ(dlg.LeftOffset(), -20);
    EXPECT_EQ(dlg.VRatio(), 1003);
    EXPECT_EQ(dlg.HRatio(), 1012);
}

TEST_F(MarginDialogTest, ClosingWithoutOkShowsTheValuesAgain) {
    dlg.setTopOffset(40);
    dlg.EdTop()->setText(QStringLiteral("90"));
    dlg.EdHorizontal()->setText(QStringLiteral("9"));
    dlg.reject();
    EXPECT_EQ(dlg.TopOffset(), 40);
    // The next showing with the same value offers the value in effect, not what was dropped.
    dlg.setTopOffset(40);
    EXPECT_EQ(dlg.EdTop()->text(), QStringLiteral("40"));
    EXPECT_EQ(dlg.EdHorizontal()->text(), QStringLiteral("0"));
}

TEST_F(PreviewTest, MarginDialogFromThePreviewTakesRatiosOnlyWhenThePapersMatch) {
    const QString spool = datasetListSpool();
    struct Case {
        const char* name;
        int outputPaper;
        bool ratios;
        int vratio, hratio;   // the settings' ratios afterwards
        int engineV, engineH; // the ratios in effect
    };
    const Case cases[] = {
        {"samePaper", 0, true, 1003, 1000, 1003, 1000},
        {"a4ReportOnB5", 13, false, 1000, 1000, 865, 867},
    };
    for (const Case& c : cases) {
        TPmvxDEF rec = listRecord(spool);
        rec.OutPutPaper = c.outputPaper;
        rec.TopMargin = 20;
        // The preview does not take the ratios from the record: they are the engine's own.
        EngineSettings.VRATIO = EngineSettings.HRATIO = 1000;
        preview(rec, [&](TImageDispForm& form) {
            inNextDialog([&](QDialog& d) {
                auto& m = static_cast<Tfmyohaku&>(d);
                testenv::saveShot(m, QStringLiteral("margin_%1").arg(QLatin1String(c.name)));
                EXPECT_EQ(m.GroupBox3()->isVisible(), c.ratios) << c.name;
                EXPECT_EQ(m.height(), c.ratios ? 320 : 220) << c.name;
                EXPECT_EQ(m.EdTop()->text(), QStringLiteral("20")) << c.name;
                m.EdTop()->setFocus();
                m.EdTop()->selectAll();
                QTest::keyClicks(m.EdTop(), QStringLiteral("150"));
                QTest::keyClick(m.EdTop(), Qt::Key_Tab);
                EXPECT_EQ(m.EdTop()->text(), QStringLiteral("100")) << c.name;
                m.EdVertical()->setText(QStringLiteral("3"));
                m.Button1Click();
            });
            form.button("SB_MARGIN")->click();
            EXPECT_EQ(EngineSettings.TopMargin, 100) << c.name;
            EXPECT_EQ(EngineSettings.VRATIO, c.vratio) << c.name;
            EXPECT_EQ(EngineSettings.HRATIO, c.hratio) << c.name;
            EXPECT_EQ(Engine().VRatio, c.engineV) << c.name;
            EXPECT_EQ(Engine().HRatio, c.engineH) << c.name;
            // The margin in effect follows: 100 less the unprintable 5 mm edge.
            EXPECT_EQ(Engine().TopMargin, 100 - 50) << c.name;
        });
    }
}
