// The progress window: the owner takes no input while it shows, and gets it back afterwards, also when
// the work throws; layout, animation and cancel.
// Mouse events go the way the window system delivers them, through modality.
#define QTEST_QPA_MOUSE_HANDLING
#include "controls/xAnimeProgressDialog.h"
#include "support/TestEnv.h"
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct Owner : QWidget {
    QPushButton* button = new QPushButton(QStringLiteral("押す"), this);
    int clicks = 0;
    Owner() {
        (new QVBoxLayout(this))->addWidget(button);
        resize(400, 300);
        QObject::connect(button, &QPushButton::clicked, this, [this] { ++clicks; });
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
    // Clicks the button and tells whether the click arrived.
    bool takesInput() {
        const int before = clicks;
        QTest::mouseClick(button, Qt::LeftButton);
        return clicks > before;
    }
};

TEST(ProgressDialog, ModelessWindowBlocksTheOwnerUntilClose) {
    Owner owner;
    ASSERT_TRUE(owner.takesInput());
    TxAnimeProgressDialog progress;
    progress.setCaption(QStringLiteral("保存中"));
    progress.Execute(&owner);
    ASSERT_NE(progress.Handle(), nullptr);
    EXPECT_TRUE(progress.Handle()->isVisible());
    EXPECT_TRUE(progress.Active());
    EXPECT_EQ(progress.Handle()->windowTitle(), QStringLiteral("保存中"));
    EXPECT_FALSE(owner.takesInput());
    EXPECT_TRUE(owner.isEnabled()); // blocked, not greyed
    EXPECT_EQ(progress.Close(), 0);
    EXPECT_EQ(progress.Handle(), nullptr);
    EXPECT_FALSE(progress.Active());
    EXPECT_TRUE(owner.takesInput());

    // Destroying the component without Close gives the input back too.
    {
        TxAnimeProgressDialog again;
        again.Execute(&owner);
        EXPECT_FALSE(owner.takesInput());
    }
    EXPECT_TRUE(owner.takesInput());
}

TEST(ProgressDialog, ModalWorkRunsWhileTheOwnerIsBlocked) {
    Owner owner;
    TxAnimeProgressDialog progress;
    bool blockedDuringWork = false;
    bool shownDuringWork = false;
    QObject* sender = nullptr;
    int closed = 0;
    progress.OnShow = [&](QObject* s) {
        sender = s;
        shownDuringWork = progress.Handle() && progress.Handle()->isVisible();
        progress.setInfoLabel(QStringLiteral("1件目を処理中"));
        blockedDuringWork = !owner.takesInput();
    };
    progress.OnClose = [&](QObject* s) {
        EXPECT_EQ(s, &progress);
        ++closed;
    };
    progress.Execute(&owner);
    EXPECT_TRUE(shownDuringWork);
    EXPECT_TRUE(blockedDuringWork);
    EXPECT_NE(sender, nullptr);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(progress.Handle(), nullptr);
    EXPECT_TRUE(owner.takesInput());
}

TEST(ProgressDialog, WorkThatThrowsClosesTheWindowAndGivesTheOwnerBack) {
    Owner owner;
    TxAnimeProgressDialog progress;
    bool blockedDuringWork = false;
    progress.OnShow = [&](QObject*) {
        blockedDuringWork = !owner.takesInput();
        throw std::runtime_error("接続に失敗しました");
    };
    try {
        progress.Execute(&owner);
        ADD_FAILURE() << "Execute did not raise the work's error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "接続に失敗しました");
    }
    EXPECT_TRUE(blockedDuringWork);
    EXPECT_EQ(progress.Handle(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.takesInput());

    // The component runs again afterwards.
    int runs = 0;
    progress.OnShow = [&](QObject*) { ++runs; };
    progress.Execute(&owner);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(owner.takesInput());
}

TEST(ProgressDialog, ControlsStandWhereTheLayoutPutsThem) {
    struct Case {
        bool cancel;
        TxLabelPosition position;
        QPoint anime, line;
    };
    const Case cases[] = {
        {true, xlpRight, {20, 16}, {60, 24}},
        {true, xlpBottom, {20, 16}, {20, 52}},
        {false, xlpRight, {20, 30}, {60, 42}},
        {false, xlpBottom, {20, 30}, {20, 70}},
    };
    for (const Case& c : cases) {
        TxAnimeProgressDialog progress;
        progress.setCancelBtnShow(c.cancel);
        progress.setLabelPosition(c.position);
        progress.setInfoLabel(QStringLiteral("処理中です…"));
        progress.Execute();
        auto* form = qobject_cast<TxProgressForm*>(progress.Handle());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->size(), QSize(380, 100));
        EXPECT_EQ(form->animate()->geometry(), QRect(c.anime, QSize(32, 32))) << c.cancel << c.position;
        EXPECT_EQ(form->label()->pos(), c.line) << c.cancel << c.position;
        EXPECT_EQ(form->label()->width(), 300);
        EXPECT_EQ(form->label()->text(), QStringLiteral("処理中です…"));
        EXPECT_EQ(form->cancelButton() != nullptr, c.cancel);
        if (form->cancelButton()) {
            EXPECT_EQ(form->cancelButton()->geometry(), QRect(152, 67, 76, 23));
            EXPECT_EQ(form->cancelButton()->text(), QStringLiteral("キャンセル"));
        }
        progress.setInfoLabel(QStringLiteral("次の行"));
        EXPECT_EQ(form->label()->text(), QStringLiteral("次の行"));
        progress.Close();
    }
}

TEST(ProgressDialog, CancelButtonOnlyMarksTheRunCancelled) {
    TxAnimeProgressDialog progress;
    progress.Execute();
    EXPECT_FALSE(progress.Cancelled());
    auto* form = qobject_cast<TxProgressForm*>(progress.Handle());
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_TRUE(form->isVisible());
    progress.Close();
    progress.Execute();
    EXPECT_FALSE(progress.Cancelled());
    progress.Close();
}

TEST(ProgressDialog, MissingAnimationFileIsToleratedAndPlaysNothing) {
    testenv::TempEnvironment env;
    TxAnimeProgressDialog progress;
    progress.setAviFile(env.path() + QStringLiteral("/progress.avi"));
    progress.Execute();
    EXPECT_EQ(progress.AviFile(), QString());
    EXPECT_FALSE(progress.AnimeActive());
    progress.Close();

    // A system animation plays the built-in one.
    progress.setCommonAVI(aviCopyFiles);
    progress.Execute();
    EXPECT_TRUE(progress.AnimeActive());
    progress.setAnimeActive(false);
    EXPECT_FALSE(progress.AnimeActive());
    progress.Close();
    EXPECT_FALSE(progress.AnimeActive());

    // A file Qt cannot decode also plays the built-in one.
    const QString avi = env.path() + QStringLiteral("/progress.avi");
    QFile f(avi);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF....AVI ");
    f.close();
    progress.setCommonAVI(aviNone);
    progress.setAviFile(avi);
    progress.Execute();
    EXPECT_EQ(progress.AviFile(), avi);
    EXPECT_TRUE(progress.AnimeActive());
    progress.Close();
}

} // namespace
