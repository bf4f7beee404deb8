#pragma once
// Test support only: environment variables through which tests drive the program as a child process.
// Nothing here is read unless the variable is set.
//   QV_TEST_UI_LOG=<file>     no box is shown: each message box is appended to the file as one UTF-8 line
//                             "<kind number>\t<caption>\t<text>" (CR and LF in the text written as \r and
//                             \n) and answered with its first button
//   QV_TEST_AUTOCLOSE_MS=<n>  the main window is closed from outside n ms after the message loop starts

#include "platform/UserInteraction.h"

#include <memory>

class QWidget;

namespace testhooks {

// The logging scripted interaction when QV_TEST_UI_LOG is set, else nullptr.
std::unique_ptr<ui::UserInteraction> userInteractionFromEnvironment();
void armAutoClose(QWidget* mainWindow);

} // namespace testhooks
