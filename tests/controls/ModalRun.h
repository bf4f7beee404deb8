#pragma once
// Runs a dialog modally and acts on it once it is up; returns exec()'s result. Whatever the action left
// open is closed with 99, a result no button uses.

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

inline int runModal(QDialog& dialog, std::function<void()> act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        // A dialog shown again may still be the application's active window, which would make the
        // activation a no-op.
        QApplication::setActiveWindow(nullptr);
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        act();
        QTimer::singleShot(0, &dialog, [&dialog] {
            if (dialog.isVisible())
                dialog.done(99);
        });
    });
    return dialog.exec();
}

// Types the text into the widget key by key, as a keyboard or a committed input method would; unlike
// QTest::keyClicks also characters outside ASCII.
inline void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        const Qt::Key key =
            c.unicode() < 0x80 && c.isLetterOrNumber() ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
    }
}
