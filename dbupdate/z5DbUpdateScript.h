#pragma once
// The update script of a step and its runner: the common lines (header, connect line, character-set
// line, version stamp), the external script files of a step's version folder, and RunIsqlScript, which
// hands a saved script to isql-fb and judges the run.
//
// No password reaches a script, an output or a log: the connect line names only the database and the
// credentials go to isql-fb through its environment. Script and output live in a private temporary
// folder (TScriptFolder) that goes with the step.

#include "dbupdate/z5DbUpdateStep.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// isql-fb to run: the path set here, else $QV_ISQL, else "isql-fb" (or "isql") found on the PATH.
QString IsqlToolPath();
// Empty restores the search on the PATH.
void SetIsqlToolPath(const QString& path);
// Whether IsqlToolPath names a program that can be started (asked before an upgrade takes its backup).
bool IsqlToolFound();
// The runner's message for a tool that cannot be started.
extern const QString IsqlNotStartedMessage;

// The clock of headers and stamps (tests fix it).
extern std::function<QDateTime()> DbUpdateClock;

// "'" + text with every "'" doubled + "'".
QString SqlQuote(const QString& text);
// The folder of a step's external files: the sql folder, then the three numbers run together.
QString StepFileFolder(const TDbVersion& version);
// The database name the script connects to: "host[/port]:/abs/path" through a server, "localhost:" and
// the path for a global connection without a host, else the path.
QString ScriptDatabaseName(TDbKind db);

// "/* time,computer,operator key */", an empty line, the connect line and, when asked, the
// character-set line.
QStringList ScriptOpening(TDbKind db, bool charsetLine);
QString StampMemoText(TStampMemo memo);
QStringList StampLines(TDbKind db, const TDbVersion& version, TStampMemo memo, bool twoLines);

// Appends the non-empty lines of a CP932 file; false when the file does not exist. A file that exists
// but cannot be read throws std::runtime_error.
bool AppendScriptFile(const QString& path, QStringList& lines);

// A private folder (owner only) for one step's "plzdataup.sql" and "plzdataup.log"; removed with
// everything in it when the object goes.
class TScriptFolder {
public:
    TScriptFolder();
    bool isValid() const { return m_dir.isValid(); }
    QString scriptPath() const;
    QString outputPath() const;

private:
    QTemporaryDir m_dir;
};

// Saves the lines as CP932 text (replacing an older file). Throws std::runtime_error when a line holds a
// character CP932 cannot hold or the file cannot be written whole.
void SaveScript(const QStringList& lines, const QString& path);

// Runs isql-fb on the saved script, the output going beside it. 1 success, 16 a statement failed (or
// the tool ended abnormally), 17 the tool could not be started, 18 no script. A failure shows its
// message; 16 also keeps the output in "ErrDataup.txt" and appends it to "ErrDataup.log".
qint32 RunIsqlScript(const QString& versionText, const QString& scriptPath);
// Appends the output to the error log, creating the log when missing. Throws when it cannot be written.
void AppendErrorLog(const QByteArray& output);
