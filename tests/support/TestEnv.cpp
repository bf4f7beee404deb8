#include "TestEnv.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testenv {

ScopedEnv::ScopedEnv(const char* name, const QString& value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value.toUtf8());
}

ScopedEnv::~ScopedEnv() {
    if (m_had)
        qputenv(m_name.constData(), m_old);
    else
        qunsetenv(m_name.constData());
}

ScopedQtSettings::ScopedQtSettings(const QString& folder) {
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder);
}

ScopedQtSettings::~ScopedQtSettings() {
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, user);
}

static QString makeDirs(const QTemporaryDir& dir) {
    const QString p = dir.path();
    for (const char* sub : {"appdata", "documents", "temp", "run"})
        QDir().mkpath(p + u'/' + QLatin1String(sub));
    return p;
}

TempEnvironment::TempEnvironment()
    : m_path(makeDirs(m_dir)), m_appData("QV_COMMON_APPDATA", m_path + QStringLiteral("/appdata")),
      m_documents("QV_DOCUMENTS", m_path + QStringLiteral("/documents")),
      m_temp("QV_TEMP", m_path + QStringLiteral("/temp")),
      m_runtime("QV_RUNTIME_DIR", m_path + QStringLiteral("/run")),
      m_registry("QV_REGISTRY_FILE", m_path + QStringLiteral("/appdata/registry.ini")),
      m_qtSettings(m_path + QStringLiteral("/config")) {}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

namespace {
QPointer<QObject> scope;
}

QObject* testScope() {
    if (!scope)
        scope = new QObject;
    return scope;
}

void endTestScope() {
    delete scope.data();
}

void whenReady(const std::function<bool()>& step) {
    auto* timer = new QTimer(testScope());
    timer->setSingleShot(true);
    // The timer waits while the step runs: a step that opens a modal window is not run again inside it.
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        if (step())
            timer->deleteLater();
        else
            timer->start();
    });
    timer->start(20);
}

void waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

SmallDisk::SmallDisk(const QString& folder, qint64 bytes) : m_folder(QFile::encodeName(folder)) {
    if (::geteuid() != 0) {
        m_why = QStringLiteral("mounting a small tmpfs needs root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        m_why =
            QStringLiteral("mounting a small tmpfs failed: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk() {
    if (m_mounted && ::umount2(m_folder.constData(), 0) != 0)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

QString sourceDir() {
    return QStringLiteral(QV_SOURCE_DIR);
}

QString buildDir() {
    return QStringLiteral(QV_BUILD_DIR);
}

void limitFileSize(qint64 bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void saveShot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("QV_SHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        window.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

} // namespace testenv
