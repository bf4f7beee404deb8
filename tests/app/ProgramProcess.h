#pragma once
// Runs the built program as a child process: offscreen, in the special folders of the test's
// TempEnvironment (inherited), its boxes logged to a file instead of shown.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

struct LoggedBox {
    int kind = -1;
    QString caption;
    QString text;
    bool operator==(const LoggedBox&) const = default;
};

// The boxes of a box log (app/TestHooks.h); lines of another form are skipped.
std::vector<LoggedBox> parseBoxLog(const QByteArray& log);

class ProgramProcess {
public:
    // logPath: where the program appends its boxes.
    explicit ProgramProcess(const QString& logPath);
    ~ProgramProcess();

    void setEnv(const QString& name, const QString& value) { m_env.insert(name, value); }
    void start(const QStringList& arguments = {});
    // Waits for the end while this process's event loop keeps running (test callers listen on it).
    bool waitForFinished(int timeoutMs = -1);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Asks the program to end as a close request from outside would.
    void terminate() { m_process.terminate(); }
    // Sends the signal to the program.
    void signal(int number);
    int exitCode() const;
    std::vector<LoggedBox> boxes() const;

    static QString programPath();

private:
    QString m_log;
    QProcessEnvironment m_env;
    QProcess m_process;
};
