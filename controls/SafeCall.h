#pragma once
// Exceptions never cross the Qt event loop: slots and event handlers that run code which may throw go
// through guarded(), which shows an exception that got this far as an error box, as the class library
// does with an exception that leaves an event handler.

#include <exception>
#include <utility>

void reportUnhandledException(std::exception_ptr error) noexcept;

template <class F> void guarded(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
        reportUnhandledException(std::current_exception());
    }
}
