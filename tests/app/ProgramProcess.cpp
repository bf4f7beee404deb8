#include "ProgramProcess.h"

#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <csignal>

ProgramProcess::ProgramProcess(const QString& logPath)
    : m_log(logPath), m_env(QProcessEnvironment::systemEnvironment()) {
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_env.insert(QStringLiteral("QV_TEST_UI_LOG"), logPath);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

ProgramProcess::~ProgramProcess() {
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString ProgramProcess::programPath() {
    return testenv::buildDir() + QStringLiteral("/bin/qv21tohj19_g");
}

void ProgramProcess::start(const QStringList& arguments) {
    m_process.setProcessEnvironment(m_env);
    m_process.start(programPath(), arguments);
    m_process.waitForStarted();
}

void ProgramProcess::signal(int number) {
    if (isRunning())
        ::kill(pid_t(m_process.processId()), number);
}

bool ProgramProcess::waitForFinished(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!m_process.waitForFinished(20)) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            break;
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit;
}

int ProgramProcess::exitCode() const {
    return m_process.exitCode();
}

std::vector<LoggedBox> parseBoxLog(const QByteArray& log) {
    std::vector<LoggedBox> out;
    for (const QByteArray& line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        const QStringList parts = QString::fromUtf8(line).split(u'\t');
        if (parts.size() != 3)
            continue;
        QString text = parts[2];
        text.replace(QLatin1String("\\r"), QLatin1String("\r"))
            .replace(QLatin1String("\\n"), QLatin1String("\n"));
        out.push_back({parts[0].toInt(), parts[1], text});
    }
    return out;
}

std::vector<LoggedBox> ProgramProcess::boxes() const {
    QFile f(m_log);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return parseBoxLog(f.readAll());
}
