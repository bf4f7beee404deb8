#pragma once
// The main form. Its creation takes the command line and the product identity and disables the caller's
// window; its destruction hands the outcome back to the caller.

#include "app/StartupEnvironment.h"
#include "platform/CallerWindow.h"

#include <QStringList>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm1;
}
class TComDataExport;

// The one argument "handle,message,wparam,file" of a caller.
struct TCallerArgument {
    quint32 Wnd = 0;
    qint32 Msg = 0;
    qint32 WParam = 0;
    QString File;
};

enum class TArgumentKind { Standalone, Caller, Invalid };

// The program's arguments without the program name: none (standalone) or exactly one whose fields are
// the parts split at "," (a missing field is empty, an empty number 0). More arguments, or a field 1 to 3
// that is not a decimal integer of 32 bits, are invalid.
TArgumentKind ParseCallerArgument(const QStringList& arguments, TCallerArgument& caller);

// Reads "AppInfo.ini" beside the program and copies it into the framework's names. False after the box
// that ends the start has been shown.
bool LoadProductIdentity();

// Finish's export, the progress dialog aside: the file written through the exporter, the outcome's boxes
// and the exit code for the caller: 0 created, 1 nothing to export (the wizard stays open for another
// choice), 2 failed. With a caller's window no box reports a created file.
struct TFinishResult {
    int ExitCode = 2;
    bool CloseForm = true;
};
TFinishResult FinishExport(TComDataExport& exporter, bool callerWindow);

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The creation steps up to the product identity. False when a step ended the start; its box has
    // been shown and the exit code stays 2.
    bool FormCreate(const QStringList& arguments);
    // The process environment and the database module. False after the failure box.
    bool InitApplication();
    // Closes the form on its own decision (Finish, Cancel) with the given exit code.
    void CloseWithExitCode(int exitCode);

    int ExitCode() const { return FExitCode; }
    bool IsClosed() const { return m_closed; }
    quint32 CallerWnd() const { return FCallerWnd; }
    qint32 CallerMsg() const { return FCallerMsg; }
    qint32 CallerWParam() const { return FCallerWParam; }
    const QString& CallerFile() const { return FCallerFile; }

protected:
    // Any close that the form did not decide itself (close box, window manager, a request from outside)
    // ends with exit code 1.
    void closeEvent(QCloseEvent* event) override;

private:
    void btnCancelClick();
    void FormDestroy();

    std::unique_ptr<Ui::TForm1> m_ui;
    quint32 FCallerWnd = 0;
    qint32 FCallerMsg = 0;
    qint32 FCallerWParam = 0;
    QString FCallerFile;
    int FExitCode = 2;
    CallerWindow m_callerWindow;
    TStartupEnvironment m_environment;
    bool m_closingByForm = false;
    bool m_closed = false;
};
