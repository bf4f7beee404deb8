#pragma once
// The one reporter of database errors (ErrFbAccess), the Japanese explanations of Firebird status codes,
// and the two message boxes the framework uses for errors with details and for comma-separated lines.

#include "platform/UserInteraction.h"

#include <QString>
#include <functional>

namespace fb {
class Error;
}

// Status codes the reporter treats as the end of the program.
inline constexpr qint64 IscNetworkError = 335544721; // connection to the server lost
inline constexpr qint64 IscBugCheck = 335544333;     // internal consistency check of the server

// Japanese explanation in full-width parentheses; " " for a code without one.
QString GetIscErrorText(qint64 statusCode, int sqlCode);

// Logs the error to "ErrFbAccess.log" and "ErrFbAccess.txt" in SystemDef.LogDir, shows the message with
// its details, and on a lost connection or a consistency error sets DbFatalError and ends the program.
// Inert once DbFatalError is set. Never throws; a log that cannot be written does not stop the report.
// The reconnect request is accepted for the callers' sake: every lost connection ends the program.
void ErrFbAccess(const fb::Error& error, const QString& context, const QString& message,
                 bool reconnect = true);

// The database name of the accounting connection as it appears in the log; installed by the database
// module. Unset: an empty name.
extern std::function<QString()> ErrLogDatabaseNameProc;
// Asks the program to end after a fatal report. The default leaves every running event loop as soon as
// control is back in one; tests replace it.
extern std::function<void()> TerminateApplicationProc;
void RequestApplicationTerminate();

// An "OK" box of the kind with the message and, when there is a detail, "[詳細情報]" and the detail.
void ShowErrDetail(const QString& message, const QString& detail, ui::MsgKind kind);
// An "OK" box of the kind with the text cut at "," into lines ("//" and what follows is dropped).
void ShowCommaMessage(const QString& text, ui::MsgKind kind);
