// The take-out / bring-back choice: which choices it offers for a dataset that is out or not, and the
// answer of OK, Cancel and Esc in a modal run.

#include "controls/xPlButton.h"
#include "controls/xRadioButton.h"
#include "datasel/z5WhichDataSet.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "ui_z5WhichDataSet.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class TakeOutChoiceTest : public ::testing::Test {
protected:
    // Runs the dialog modally; work acts on it once it shows. Returns the modal result.
    int run(TWhichDataSetBox& box, const std::function<void(TWhichDataSetBox&)>& work) {
        QTimer::singleShot(0, &box, [&box, work] { work(box); });
        return box.exec();
    }
    testenv::DmEnvironment e;
};

TEST_F(TakeOutChoiceTest, OffersWhatTheDatasetsStateAllowsAndAnswersOnOK) {
    struct Case {
        int takenOut;
        bool clickBringBack;
        bool takeOutEnabled;
        bool checkedBringBack;
        bool answer;
    } cases[] = {
        {0, false, true, false, false}, // not out: take-out preset
        {0, true, true, false, true},   // not out, the operator chooses to bring back
        {1, false, false, true, true},  // already out: only bring-back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "TakenOut=" << c.takenOut << " click=" << c.clickBringBack);
        TWhichDataSetBox box;
        box.TakenOut = c.takenOut;
        box.BringBack = false;
        box.Setup(false);
        EXPECT_EQ(box.MochidashiButton()->isEnabled(), c.takeOutEnabled);
        EXPECT_TRUE(box.MochikaeriButton()->isEnabled());
        EXPECT_EQ(box.MochikaeriButton()->isChecked(), c.checkedBringBack);
        EXPECT_EQ(box.MochidashiButton()->isChecked(), !c.checkedBringBack);
        const int r = run(box, [&c](TWhichDataSetBox& b) {
            if (c.clickBringBack)
                b.MochikaeriButton()->click();
            b.form().btnOK->click();
        });
        EXPECT_EQ(r, 1);
        EXPECT_EQ(box.BringBack, c.answer);
        EXPECT_TRUE(box.isHidden());
    }
}

TEST_F(TakeOutChoiceTest, CancelAndEscAnswerTwoAndFunctionKeysDoNothing) {
    TWhichDataSetBox box;
    box.Setup(false);
    EXPECT_EQ(run(box, [](TWhichDataSetBox& b) { b.form().btnCancel->click(); }), 2);

    box.Setup(false);
    EXPECT_EQ(run(box,
                  [](TWhichDataSetBox& b) {
                      // F12 is no shortcut to OK here; Esc cancels.
                      QTest::keyClick(b.MochidashiButton(), Qt::Key_F12);
                      QTest::keyClick(b.MochidashiButton(), Qt::Key_F3);
                      QTest::keyClick(b.MochidashiButton(), Qt::Key_Escape);
                  }),
              2);
    EXPECT_FALSE(box.BringBack);
}

TEST_F(TakeOutChoiceTest, ShowsTheHintOfTheCheckedChoice) {
    TWhichDataSetBox box;
    box.TakenOut = 1;
    box.Setup(false);
    QString hint;
    run(box, [&hint](TWhichDataSetBox& b) {
        hint = b.form().HintArea->toPlainText();
        testenv::saveShot(b, QStringLiteral("takeout_choice"));
        b.form().btnCancel->click();
    });
    EXPECT_EQ(box.windowTitle(), QStringLiteral("データの持ち出し／持ち帰り"));
    EXPECT_TRUE(hint.startsWith(QStringLiteral("データを持ち帰ったため"))) << hint.toStdString();
}

} // namespace
