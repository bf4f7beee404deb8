#pragma once
// Steps that act on a modal window while the code under test waits in its event loop.

#include "support/TestEnv.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

template <class T> T* visibleTopLevel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

using testenv::whenReady;

// Runs step once a visible T is there (looked for every 20 ms, until the test ends).
template <class T> void whenShown(const std::function<void(T*)>& step) {
    whenReady([step] {
        T* w = visibleTopLevel<T>();
        if (w)
            step(w);
        return w != nullptr;
    });
}
