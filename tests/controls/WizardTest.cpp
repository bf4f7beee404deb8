// The wizard control steps back and forth with its events and captions.
#include "controls/xWizard.h"
#include "platform/UserInteraction.h"
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct WizardForm : QWidget {
    QLabel* header = new QLabel(QStringLiteral("(header)"), this);
    QLabel* info = new QLabel(QStringLiteral("(info)"), this);
    TxWizard* wizard = new TxWizard(this);
    QPushButton* back = new QPushButton(this);
    QPushButton* next = new QPushButton(this);
    QStringList events;

    explicit WizardForm(int pages, QStringList headers = {}, QStringList infos = {}) {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{header, info, wizard, back, next})
            layout->addWidget(w);
        for (int i = 0; i < pages; ++i)
            wizard->addWidget(new QLabel(QStringLiteral("page%1").arg(i + 1)));
        wizard->setHeaderCaption(headers);
        wizard->setInfoCaption(infos);
        wizard->setLblHeader(header);
        wizard->setLblInfo(info);
        wizard->setBackButton(back);
        wizard->setNextButton(next);
        QObject::connect(wizard, &QStackedWidget::currentChanged, wizard,
                         [this](int i) { events << QStringLiteral("changed %1").arg(i); });
        wizard->OnNextClicking = [this](QObject* s, bool final, bool&) {
            EXPECT_EQ(s, next);
            events << QStringLiteral("clicking %1").arg(final);
        };
        wizard->OnNextClick = [this](QObject* s, bool final) {
            EXPECT_EQ(s, next);
            events << QStringLiteral("next %1 caption %2").arg(final).arg(next->text());
        };
        wizard->OnBackClick = [this](QObject* s) {
            EXPECT_EQ(s, back);
            events << QStringLiteral("back %1").arg(back->isHidden() ? "hidden" : "shown");
        };
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
    QStringList take() { return std::exchange(events, {}); }
    void pressNext() { QTest::mouseClick(next, Qt::LeftButton); }
    void pressBack() { QTest::mouseClick(back, Qt::LeftButton); }
};

TEST(Wizard, StepsForwardAndBackWithEventsAndCaptions) {
    WizardForm f(3, {QStringLiteral("はじめに"), QStringLiteral("データの選択"), QStringLiteral("確認")},
                 {QStringLiteral("info1"), QStringLiteral("info2")});
    EXPECT_EQ(f.wizard->PageIndex(), 0);
    EXPECT_TRUE(f.back->isHidden());
    EXPECT_EQ(f.back->text(), QStringLiteral("< 戻る(&B)"));
    EXPECT_EQ(f.next->text(), QStringLiteral("次へ(&N) >"));
    EXPECT_EQ(f.header->text(), QStringLiteral("はじめに"));
    EXPECT_EQ(f.info->text(), QStringLiteral("info1"));

    f.pressNext();
    EXPECT_EQ(f.take(), (QStringList{"clicking 0", "changed 1", "next 0 caption 次へ(&N) >"}));
    EXPECT_EQ(f.wizard->PageIndex(), 1);
    EXPECT_FALSE(f.back->isHidden());
    EXPECT_EQ(f.header->text(), QStringLiteral("データの選択"));
    EXPECT_EQ(f.info->text(), QStringLiteral("info2"));

    // Onto the last page: Finish caption, not yet final.
    f.pressNext();
    EXPECT_EQ(f.take(), (QStringList{"clicking 0", "changed 2", "next 0 caption 完了(&F)"}));
    EXPECT_EQ(f.header->text(), QStringLiteral("確認"));
    EXPECT_EQ(f.info->text(), QStringLiteral("info2")); // no line for page 3: kept

    // On the last page Next does not move and is final.
    f.pressNext();
    EXPECT_EQ(f.take(), (QStringList{"clicking 0", "next 1 caption 完了(&F)"}));
    EXPECT_EQ(f.wizard->PageIndex(), 2);

    f.pressBack();
    EXPECT_EQ(f.take(), (QStringList{"changed 1", "back shown"}));
    EXPECT_EQ(f.next->text(), QStringLiteral("次へ(&N) >"));
    EXPECT_EQ(f.header->text(), QStringLiteral("データの選択"));
    EXPECT_EQ(f.info->text(), QStringLiteral("info2"));

    f.pressBack();
    EXPECT_EQ(f.take(), (QStringList{"changed 0", "back hidden"}));
    EXPECT_TRUE(f.back->isHidden());
    EXPECT_EQ(f.info->text(), QStringLiteral("info1"));

    // Back on the first page fires without moving.
    f.wizard->BackClick(f.back);
    EXPECT_EQ(f.take(), (QStringList{"back hidden"}));
    EXPECT_EQ(f.wizard->PageIndex(), 0);
}

TEST(Wizard, RefusedNextChangesNothing) {
    WizardForm f(3);
    f.pressNext();
    f.take();
    f.wizard->OnNextClicking = [&](QObject*, bool, bool& allow) {
        f.events << QStringLiteral("refused");
        allow = false;
    };
    f.pressNext();
    EXPECT_EQ(f.take(), QStringList{"refused"});
    EXPECT_EQ(f.wizard->PageIndex(), 1);
    EXPECT_EQ(f.next->text(), QStringLiteral("次へ(&N) >"));
    EXPECT_FALSE(f.back->isHidden());
    EXPECT_EQ(f.header->text(), QStringLiteral("(header)"));
}

TEST(Wizard, OnePageWizardFinishesAtOnce) {
    WizardForm f(1);
    EXPECT_EQ(f.next->text(), QStringLiteral("完了(&F)"));
    f.pressNext();
    EXPECT_EQ(f.take(), (QStringList{"clicking 0", "next 1 caption 完了(&F)"}));
    EXPECT_TRUE(f.back->isHidden());
}

TEST(Wizard, ErrorInAHandlerIsReportedAndStopsThePress) {
    ui::ScopedScriptedUi scripted;
    WizardForm f(2);
    f.wizard->OnNextClicking = [](QObject*, bool, bool&) { throw std::runtime_error("接続できません"); };
    f.pressNext();
    EXPECT_EQ(f.wizard->PageIndex(), 0);
    EXPECT_EQ(scripted->messageTexts(), QStringList{QStringLiteral("接続できません")});
    EXPECT_EQ(scripted->shown().front().message.kind, ui::MsgKind::Error);
}

} // namespace
