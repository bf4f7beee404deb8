// The confirmation dialog: its kinds, the agreement box, the lines and its size.
#include "ModalRun.h"
#include "controls/SDI.h"
#include "controls/xPlButton.h"
#include "controls/z5MessageDlg.h"
#include "core/uAccRecord.h"
#include "support/TestEnv.h"
#include "ui_z5MessageDlg.h"

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { SetScreenPixelsPerInch(96); }
    void TearDown() override {
        SetScreenPixelsPerInch(0);
        ResetProcessState();
    }
    // A click on the box itself (not beside its label).
    void tick(TMessageBox& d) {
        QTest::mouseClick(d.form().cboxAgree, Qt::LeftButton, {},
                          QPoint(6, d.form().cboxAgree->height() / 2));
    }
    void press(TMessageBox& d, Qt::Key key) {
        QWidget* target = d.focusWidget() ? d.focusWidget() : &d;
        QTest::keyPress(target, key);
        QTest::keyRelease(target, key);
    }
};

TEST_F(MessageBoxTest, ShowMessageBoxAnswersOkOrCancel) {
    TMessageInfoRec info;
    InitMessageBoxRec(info);
    EXPECT_EQ(info.MainColor, 255u);
    EXPECT_EQ(info.Position, poOwnerFormCenter);
    info.Caption = QStringLiteral("削除の確認");
    info.MainText = QStringLiteral("選択したデータを削除します。よろしいですか？");
    info.Lines = QStringList{QStringLiteral("0001 株式会社テスト"), QStringLiteral("0002 有限会社サンプル")};
    const auto answer = [&](auto act) {
        QTimer::singleShot(0, [act] {
            auto* d = qobject_cast<TMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->focusWidget(), d->form().btnCancel);
            EXPECT_EQ(d->form().MessageArea->toPlainText(),
                      QStringLiteral("0001 株式会社テスト\n0002 有限会社サンプル"));
            testenv::saveShot(*d, QStringLiteral("message_lines"));
            act(*d);
        });
        return ShowMessageBox(info);
    };
    EXPECT_EQ(answer([](TMessageBox& d) { QTest::mouseClick(d.form().btnOK, Qt::LeftButton); }), ui::mrOk);
    EXPECT_EQ(answer([](TMessageBox& d) { QTest::mouseClick(d.form().btnCancel, Qt::LeftButton); }),
              ui::mrCancel);
    EXPECT_EQ(answer([](TMessageBox& d) { d.close(); }), ui::mrCancel);
}

TEST_F(MessageBoxTest, KindOneHasASingleOkOnTheRight) {
    TMessageBox d;
    d.Kind = 1;
    d.Prepare(true);
    EXPECT_EQ(runModal(d,
                       [&] {
                           EXPECT_FALSE(d.form().btnOK->isVisible());
                           testenv::saveShot(d, QStringLiteral("message_kind1"));
                           EXPECT_EQ(d.form().btnCancel->CaptionA().Caption(), QStringLiteral("OK"));
                           EXPECT_FALSE(d.form().cboxAgree->isVisible());
                           QTest::mouseClick(d.form().btnCancel, Qt::LeftButton);
                       }),
              ui::mrOk);
    TMessageBox again;
    again.Kind = 1;
    again.Prepare(true);
    EXPECT_EQ(runModal(again, [&] { press(again, Qt::Key_Escape); }), ui::mrCancel);
}

TEST_F(MessageBoxTest, KindTwoEnablesOkOnlyWhileTheBoxIsTicked) {
    TMessageBox d;
    d.Kind = 2;
    d.AgreeCaption.clear(); // as an initialised record leaves it: the box keeps its label
    d.Prepare(true);
    EXPECT_EQ(runModal(d,
                       [&] {
                           EXPECT_TRUE(d.form().cboxAgree->isVisible());
                           EXPECT_EQ(d.form().cboxAgree->text(), QStringLiteral("同意する"));
                           EXPECT_FALSE(d.form().btnOK->isEnabled());
                           testenv::saveShot(d, QStringLiteral("message_kind2"));
                           press(d, Qt::Key_F12);
                           EXPECT_TRUE(d.isVisible());
                           tick(d);
                           EXPECT_TRUE(d.form().btnOK->isEnabled());
                           tick(d);
                           EXPECT_FALSE(d.form().btnOK->isEnabled());
                           tick(d);
                           press(d, Qt::Key_F12);
                       }),
              ui::mrOk);
    EXPECT_TRUE(d.agreeTicked());

    // A box ticked from the start leaves OK enabled.
    TMessageBox ticked;
    ticked.Kind = 2;
    ticked.Agreed = true;
    ticked.Prepare(true);
    EXPECT_TRUE(ticked.form().btnOK->isEnabled());
}

TEST_F(MessageBoxTest, KindThreeShowsTheBoxWithoutGating) {
    TMessageBox d;
    d.Kind = 3;
    d.AgreeCaption = QStringLiteral("内容を確認しました");
    d.Prepare(true);
    EXPECT_EQ(runModal(d,
                       [&] {
                           EXPECT_EQ(d.form().cboxAgree->text(), QStringLiteral("内容を確認しました"));
                           EXPECT_TRUE(d.form().btnOK->isEnabled());
                           QTest::mouseClick(d.form().btnOK, Qt::LeftButton);
                       }),
              ui::mrOk);
}

TEST_F(MessageBoxTest, WithoutLinesTheMemoGoesAndTheDialogIsLower) {
    TMessageBox d;
    d.Kind = 2;
    d.SetLines({QStringLiteral("一行")});
    d.Prepare(true);
    const QSize full = d.size();
    const QRect agree = d.form().cboxAgree->geometry();
    d.SetLines({});
    d.Prepare(true);
    EXPECT_EQ(d.size(), full - QSize(0, 156));
    EXPECT_EQ(d.form().cboxAgree->geometry(), agree.translated(0, -156));
    EXPECT_TRUE(d.form().MessageArea->isHidden());
    // Prepared again with lines, it starts from its created size.
    d.SetLines({QStringLiteral("一行")});
    d.Prepare(true);
    EXPECT_EQ(d.size(), full);
    EXPECT_EQ(d.form().cboxAgree->geometry(), agree);
}

TEST_F(MessageBoxTest, ShownFiveTimesAt120DpiItKeepsItsSize) {
    SetScreenPixelsPerInch(120);
    TMessageBox d;
    d.Kind = 2;
    QList<QSize> sizes;
    QList<QRect> agree;
    for (int i = 0; i < 5; ++i) {
        d.SetLines(i % 2 ? QStringList{} : QStringList{QStringLiteral("一行")});
        d.Prepare(true);
        runModal(d, [&] {
            sizes << d.size();
            agree << d.form().cboxAgree->geometry();
        });
    }
    EXPECT_EQ(sizes[0], QSize(630, 366));
    EXPECT_EQ(sizes[1], QSize(630, 366 - 195));
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(sizes[i], sizes[i % 2]);
        EXPECT_EQ(agree[i], agree[i % 2]);
    }
}

} // namespace
