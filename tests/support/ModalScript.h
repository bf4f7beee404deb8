#pragma once
// Scripts a modal dialog of a test: work runs on the active modal dialog of type T once it shows
// (polled every 20 ms, for at most tries polls).

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace testenv {

template <class T> void whenShown(const std::function<void(T&)>& work, int tries = 500) {
    auto poll = std::make_shared<std::function<void(int)>>();
    *poll = [work, poll](int left) {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            work(*dialog);
            return;
        }
        if (left > 0)
            QTimer::singleShot(20, [poll, left] { (*poll)(left - 1); });
    };
    QTimer::singleShot(0, [poll, tries] { (*poll)(tries); });
}

} // namespace testenv
