#include "controls/QtTranslations.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

bool hasJapanese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

} // namespace

// The save dialog that Qt builds: its labels and buttons in Japanese, none of them in English.
TEST(QtTranslations, QtsOwnFileDialogSpeaksJapanese) {
    const std::unique_ptr<QTranslator> translator(installQtTranslations());
    ASSERT_TRUE(translator);
    testenv::TempEnvironment env; // the dialog leaves its state in Qt's settings
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        auto* l = dialog.findChild<QLabel*>(QLatin1String(label));
        ASSERT_TRUE(l) << label;
        texts << l->text();
    }
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    for (QAbstractButton* b : buttons->buttons())
        texts << b->text();
    for (const QString& text : texts)
        EXPECT_TRUE(hasJapanese(text)) << text.toStdString();
    QCoreApplication::removeTranslator(translator.get());
}
