#pragma once
// Test support only: environment variables through which tests drive the program as a child process.
// Nothing here is read unless the variable is set.
//   QV_TEST_UI_LOG=<file>     no box is shown: each message box is appended to the file as one box line
//                             (below) and answered with its first button
//   QV_TEST_AUTOCLOSE_MS=<n>  the main window is closed from outside n ms after the message loop starts
//   QV_TEST_LOGON=<code>[,<password>]  the logon dialog is not shown: the code and password are entered
//                             and OK pressed once
//   QV_TEST_DATA=<folder>     once logged on, the wizard moves to its data page and 「データ選択を開く」 is
//                             pressed; the data selection answers at once with the dataset in the folder

#include "platform/UserInteraction.h"

#include <QByteArray>
#include <functional>
#include <memory>

class QWidget;
class TForm1;
class TLogonBox;

namespace testhooks {

// Shows no box: hands each message box as one UTF-8 line "<kind number>\t<caption>\t<text>\n" (CR and
// LF in the text written as \r and \n) to the sink and answers with its first button.
class BoxLogUserInteraction : public ui::ScriptedUserInteraction {
public:
    explicit BoxLogUserInteraction(std::function<void(const QByteArray&)> sink) : m_sink(std::move(sink)) {}
    int message(const ui::MessageRequest& request) override;

private:
    std::function<void(const QByteArray&)> m_sink;
};

// The box log into the file of QV_TEST_UI_LOG when it is set, else nullptr.
std::unique_ptr<ui::UserInteraction> userInteractionFromEnvironment();
void armAutoClose(QWidget* mainWindow);
// With QV_TEST_LOGON set: one logon attempt without showing the dialog, true (its result() tells the
// outcome). Else false: the dialog is to be shown.
bool autoLogon(TLogonBox& box);
// With QV_TEST_DATA set: the data selection that answers with its folder, registered before the
// program's own; then, armed on the main form, the steps to the data page and the button.
void registerDataChoice();
void armDataChoice(TForm1* form);

} // namespace testhooks
