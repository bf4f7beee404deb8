#pragma once
// Window operations of the original platform on the program's own Qt windows. Other programs' windows
// are out of reach here (the caller's window goes through CallerWindow).

#include <QString>

class QWidget;

namespace windowops {

// SetForegroundWindow / BringWindowToTop: raises and activates the window; the window manager may still
// keep the focus elsewhere, which is its right on Linux as on Windows.
void bringToFront(QWidget* window);

// Removing a window's queued mouse and key messages has no equivalent: Qt takes input from the window
// system as it comes and keeps no per-window queue. A no-op.
void purgeInputMessages(QWidget* window);

// FindWindow by class and title among the program's own top-level windows (class = the Qt class name,
// title = the window title; either may be empty, not both). The desktop's icon list and windows of other
// programs cannot be found: nullptr.
QWidget* findTopLevelWindow(const QString& className, const QString& title);

} // namespace windowops
