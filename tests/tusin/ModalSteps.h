#pragma once
// Steps that act on a modal window while the code under test waits in its event loop.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

template <class T> T* visibleTopLevel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Runs step on the event loop (every 20 ms) until it returns true; gives up after 30 s.
inline void whenReady(const std::function<bool()>& step) {
    auto* timer = new QTimer(qApp);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, started, step] {
        if (step() || started->elapsed() > 30000) {
            timer->stop();
            timer->deleteLater();
            delete started;
        }
    });
    timer->start(20);
}
