#include "platform/QtUserInteraction.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Shows the box and presses the button with the given caption once it is up.
int showAndPress(const ui::MessageRequest& request, const QString& press, SeenBox& seen)
{
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == press)
                target = b;
        }
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        ASSERT_NE(target, nullptr);
        target->click();
    });
    ui::QtUserInteraction qt;
    return qt.message(request);
}

} // namespace

TEST(QtUserInteraction, MessageBoxMapsKindButtonsAndLineBreaks)
{
    ui::MessageRequest r;
    r.kind = ui::MsgKind::Confirmation;
    r.text = QStringLiteral("一行目\r二行目\r\n三行目");
    r.buttons = ui::mbCancel | ui::mbNo | ui::mbYes;
    r.defaultButton = 1;
    SeenBox seen;
    EXPECT_EQ(showAndPress(r, QStringLiteral("いいえ(&N)"), seen), ui::mrNo);
    EXPECT_EQ(seen.title, QStringLiteral("確認"));
    EXPECT_EQ(seen.text, QStringLiteral("一行目\n二行目\n三行目"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 3);
    EXPECT_EQ(seen.defaultButton, QStringLiteral("いいえ(&N)")); // index 1 in bit order: Yes, No, Cancel

    ui::MessageRequest e;
    e.kind = ui::MsgKind::Error;
    e.caption = QStringLiteral("独自");
    e.text = QStringLiteral("x");
    SeenBox seenError;
    EXPECT_EQ(showAndPress(e, QStringLiteral("OK"), seenError), ui::mrOk);
    EXPECT_EQ(seenError.title, QStringLiteral("独自"));
    EXPECT_EQ(seenError.icon, QMessageBox::Critical);
}
