// The owner-drawn button: modal results, keys, focus and what painting computes.
#include "ModalRun.h"
#include "controls/xPlButton.h"
#include "platform/UserInteraction.h"
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct ButtonDialog : QDialog {
    TxPlButton* ok = new TxPlButton(this);
    TxPlButton* cancel = new TxPlButton(this);
    TxPlButton* help = new TxPlButton(this);
    int clicks = 0;
    ButtonDialog() {
        ok->setModalResult(1);
        ok->move(10, 10);
        cancel->setModalResult(2);
        cancel->setCancel(true);
        cancel->move(100, 10);
        help->move(190, 10);
        resize(300, 60);
        for (TxPlButton* b : {ok, cancel, help})
            connect(b, &TxPlButton::clicked, this, [this] { ++clicks; });
    }
};

TEST(PlButton, ClickHandsTheModalResultToTheDialog) {
    {
        ButtonDialog d;
        EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.cancel, Qt::LeftButton); }), 2);
        EXPECT_EQ(d.clicks, 1);
    }
    {
        // Modal result 0 leaves the dialog open.
        ButtonDialog d;
        EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.help, Qt::LeftButton); }), 99);
        EXPECT_EQ(d.clicks, 1);
    }
    {
        // A click handler that takes the result back keeps the dialog open.
        ButtonDialog d;
        QObject::connect(d.ok, &TxPlButton::clicked, &d, [&] { d.setResult(0); });
        EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.ok, Qt::LeftButton); }), 99);
    }
    {
        // Released outside the button: no click.
        ButtonDialog d;
        EXPECT_EQ(runModal(d,
                           [&] {
                               QTest::mousePress(d.ok, Qt::LeftButton);
                               QTest::mouseRelease(d.ok, Qt::LeftButton, {}, QPoint(-5, -5));
                           }),
                  99);
        EXPECT_EQ(d.clicks, 0);
    }
}

TEST(PlButton, ErrorInAClickHandlerIsReportedAndTheDialogStillCloses) {
    ui::ScopedScriptedUi scripted;
    ButtonDialog d;
    QObject::connect(d.ok, &TxPlButton::clicked, &d, [] { throw std::runtime_error("書き込めません"); });
    EXPECT_EQ(runModal(d, [&] { QTest::mouseClick(d.ok, Qt::LeftButton); }), 1);
    EXPECT_EQ(scripted->messageTexts(), QStringList{QStringLiteral("書き込めません")});
}

TEST(PlButton, EnterOnTheFocusedButtonClicksOnceWithItsResult) {
    ButtonDialog d;
    EXPECT_EQ(runModal(d,
                       [&] {
                           d.ok->setFocus();
                           QTest::keyClick(d.ok, Qt::Key_Return);
                       }),
              1);
    EXPECT_EQ(d.clicks, 1);
}

TEST(PlButton, EscClicksTheCancelButtonOnlyWithHasFocus) {
    {
        ButtonDialog d;
        EXPECT_EQ(runModal(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
        EXPECT_EQ(d.clicks, 1);
    }
    {
        ButtonDialog d;
        d.cancel->setHasFocus(false);
        EXPECT_EQ(runModal(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), QDialog::Rejected);
        EXPECT_EQ(d.clicks, 0);
    }
    {
        // A disabled cancel button leaves Esc to the dialog too.
        ButtonDialog d;
        d.cancel->setEnabled(false);
        EXPECT_EQ(runModal(d, [&] { QTest::keyClick(&d, Qt::Key_Escape); }), QDialog::Rejected);
        EXPECT_EQ(d.clicks, 0);
    }
}

TEST(PlButton, MouseTakesTheFocusOnlyWithHasFocus) {
    ButtonDialog d;
    d.help->setHasFocus(false);
    bool helpTookFocus = true, cancelTookFocus = false;
    runModal(d, [&] {
        d.ok->setFocus();
        QTest::mouseClick(d.help, Qt::LeftButton);
        helpTookFocus = !d.ok->hasFocus();
        QTest::mousePress(d.cancel, Qt::LeftButton);
        cancelTookFocus = d.cancel->hasFocus();
        QTest::mouseRelease(d.cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(helpTookFocus);
    EXPECT_TRUE(cancelTookFocus);
    EXPECT_EQ(d.clicks, 2);
}

TEST(PlButton, PressedLookFollowsTheHeldMouse) {
    TxPlButton b;
    b.resize(80, 30);
    b.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&b));
    int left = 0;
    b.OnMouseLeave = [&](QObject*, Qt::KeyboardModifiers, Qt::MouseButtons, QPoint) { ++left; };
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(b.isPressed());
    QMouseEvent out(QEvent::MouseMove, QPointF(200, 10), b.mapToGlobal(QPointF(200, 10)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &out);
    EXPECT_FALSE(b.isPressed());
    EXPECT_EQ(left, 1);
    QMouseEvent back(QEvent::MouseMove, QPointF(10, 10), b.mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &back);
    EXPECT_TRUE(b.isPressed());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(b.isPressed());
}

QImage paint(TxPlButton& b) {
    return b.grab().toImage();
}

TEST(PlButton, GradientRunsFromTheBeginToTheEndColour) {
    TxPlButton b;
    b.setButtonStyle(bsFlatNoFrame);
    b.setGradBeginColor(0x0000FF); // red
    b.setGradEndColor(0xFF0000);   // blue
    b.CaptionA().setCaption(QString());
    struct Case {
        int height;
        QColor top, bottom;
    };
    for (const Case& c :
         {Case{2, Qt::red, Qt::blue}, Case{1, Qt::red, Qt::red}, Case{11, Qt::red, Qt::blue}}) {
        b.resize(20, c.height);
        QImage img = paint(b);
        EXPECT_EQ(img.pixelColor(10, 0), c.top) << c.height;
        EXPECT_EQ(img.pixelColor(10, c.height - 1), c.bottom) << c.height;
    }
    // Row 5 of 11 lies halfway: 255 × 5 / 10.
    b.resize(20, 11);
    EXPECT_EQ(paint(b).pixelColor(10, 5), QColor(255 - 127, 0, 127));

    b.setGradation(false);
    b.setColor(0x00FF00);
    EXPECT_EQ(paint(b).pixelColor(10, 5), QColor(0, 255, 0));
}

TEST(PlButton, CaptionLinesAreCentredAndTheTopIsKept) {
    TxPlButton b;
    b.resize(75, 40);
    const int h = QFontMetrics(b.font()).height();
    b.CaptionA().setCaption(QStringLiteral("A"));
    paint(b);
    EXPECT_EQ(b.CaptionTop(), (40 - h) / 2 + 1);

    b.CaptionA().setCaption(QString());
    b.CaptionB().setCaption(QStringLiteral("B"));
    paint(b);
    EXPECT_EQ(b.CaptionTop(), (40 - h) / 2);

    b.CaptionA().setCaption(QStringLiteral("A"));
    b.setCaptionLineSpace(4);
    paint(b);
    EXPECT_EQ(b.CaptionTop(), (40 - 2 * h - 4) / 2);

    b.setCaptionTop(7);
    EXPECT_FALSE(b.CaptionVertCenter());
    paint(b);
    EXPECT_EQ(b.CaptionTop(), 7);
    b.setCaptionVertCenter(true);
    paint(b);
    EXPECT_EQ(b.CaptionTop(), (40 - 2 * h - 4) / 2);
}

TEST(PlButton, ImageFollowsItsCentring) {
    TxPlButton b;
    b.resize(75, 40);
    QPixmap pm(16, 10);
    pm.fill(Qt::green);
    b.Image().setPicture(pm);
    paint(b);
    EXPECT_EQ(b.Image().Top(), 15);
    EXPECT_EQ(b.Image().Left(), 10);
    b.Image().setHorzCenter(true);
    paint(b);
    EXPECT_EQ(b.Image().Left(), (75 - 16) / 2);
    b.Image().setTop(1);
    EXPECT_FALSE(b.Image().VertCenter());
    paint(b);
    EXPECT_EQ(b.Image().Top(), 1);
    // Drawn where the image stands.
    b.setButtonStyle(bsFlatNoFrame);
    EXPECT_EQ(paint(b).pixelColor((75 - 16) / 2 + 3, 5), QColor(Qt::green));
}

TEST(PlButton, ButtonWithoutCaptionShowsItsName) {
    QWidget form;
    auto* named = new TxPlButton(&form);
    named->setObjectName(QStringLiteral("btnExecute"));
    auto* captioned = new TxPlButton(&form);
    captioned->setObjectName(QStringLiteral("btnOther"));
    captioned->CaptionA().setCaption(QStringLiteral("OK"));
    form.show();
    EXPECT_EQ(named->CaptionA().Caption(), QStringLiteral("btnExecute"));
    EXPECT_EQ(captioned->CaptionA().Caption(), QStringLiteral("OK"));
}

} // namespace
