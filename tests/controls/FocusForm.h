#pragma once
// A control between two plain edits in a shown, active window, so that focus moves can be watched.

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

template <class Control> struct FocusForm {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    Control* control = new Control(&window);
    QLineEdit* after = new QLineEdit(&window);

    FocusForm() {
        auto* l = new QVBoxLayout(&window);
        l->addWidget(before);
        l->addWidget(control);
        l->addWidget(after);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
};
