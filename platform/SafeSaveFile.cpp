#include "platform/SafeSaveFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SafeSaveFile::SafeSaveFile(const QString& path) : m_path(path) {}

SafeSaveFile::~SafeSaveFile() {
    cancel();
}

bool SafeSaveFile::fail(const QString& reason) {
    m_error = reason;
    m_failed = true;
    cancel();
    return false;
}

bool SafeSaveFile::failErrno(int error) {
    return fail(QString::fromLocal8Bit(std::strerror(error)));
}

bool SafeSaveFile::open() {
    cancel();
    m_failed = false;
    m_error.clear();
    m_target = QFile::encodeName(m_path);

    // lstat: a symbolic link in the target's place is refused, never followed. On a shared folder
    // another user could otherwise aim the write at any file the operator may write.
    struct stat st {};
    bool existed = false;
    if (::lstat(m_target.constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            return fail(QStringLiteral("シンボリックリンクには書き込めません。"));
        if (!S_ISREG(st.st_mode))
            return fail(QStringLiteral("通常のファイルではありません。"));
        existed = true;
    } else if (errno != ENOENT) {
        return failErrno(errno);
    }
    // A name of our own beside the target: the rename then stays on one file system.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = m_target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            const int error = errno;
            m_temp.clear();
            return failErrno(error);
        }
    }
    if (m_fd < 0) {
        m_temp.clear();
        return failErrno(EEXIST);
    }
    if (existed && ::fchmod(m_fd, st.st_mode & 07777) != 0)
        return failErrno(errno);
    return true;
}

bool SafeSaveFile::write(QByteArrayView bytes) {
    if (m_failed)
        return false;
    if (m_fd < 0)
        return fail(QStringLiteral("ファイルが開かれていません。"));
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failErrno(errno);
        }
        p += n;
        left -= n;
    }
    return true;
}

bool SafeSaveFile::truncate(qint64 size) {
    if (m_failed)
        return false;
    if (m_fd < 0)
        return fail(QStringLiteral("ファイルが開かれていません。"));
    if (::ftruncate(m_fd, off_t(size)) != 0 || ::lseek(m_fd, off_t(size), SEEK_SET) < 0)
        return failErrno(errno);
    return true;
}

bool SafeSaveFile::commit() {
    if (m_failed)
        return false;
    if (m_fd < 0)
        return fail(QStringLiteral("ファイルが開かれていません。"));
    if (::fdatasync(m_fd) != 0)
        return failErrno(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return failErrno(errno);
    if (::rename(m_temp.constData(), m_target.constData()) != 0)
        return failErrno(errno);
    m_temp.clear();
    return true;
}

void SafeSaveFile::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool SafeSaveFile::writeWhole(const QString& path, QByteArrayView bytes, QString* error) {
    SafeSaveFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}
