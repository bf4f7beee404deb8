#include "platform/NamedMutex.h"

#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString NamedMutex::lockFilePath(const QString& name) {
    return specialfolders::runtimeDir() + u'/' + name + QStringLiteral(".lock");
}

bool NamedMutex::exists(const QString& name) {
    const QByteArray path = QFile::encodeName(lockFilePath(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // never created
    int r;
    do
        r = ::flock(fd, LOCK_SH | LOCK_NB);
    while (r != 0 && errno == EINTR);
    const bool held = r != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops the shared lock taken for the probe
    return held;
}

bool NamedMutex::create(const QString& name, QString* failure) {
    release();
    if (failure)
        failure->clear();
    const QString file = lockFilePath(name);
    auto failed = [&](int error) {
        if (failure)
            *failure = QStringLiteral("%1: %2").arg(file, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    };
    QDir().mkpath(specialfolders::runtimeDir());
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return failed(errno);
    int r;
    do
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? false : failed(error);
    }
    m_fd = fd;
    return true;
}

void NamedMutex::release() {
    if (m_fd < 0)
        return;
    // The file stays: removing it would let a newcomer lock a fresh file while a prober still has the old
    // one.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
