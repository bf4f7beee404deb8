#pragma once
// Scripts a modal dialog of a test: work runs on the active modal dialog of type T once it shows
// (polled every 20 ms until the test ends).

#include "support/TestEnv.h"
#include <QApplication>

#include <functional>
#include <memory>

namespace testenv {

template <class T> void whenShown(const std::function<void(T&)>& work) {
    whenReady([work] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return false;
        work(*dialog);
        return true;
    });
}

} // namespace testenv
