#include "platform/ShellFileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace shellfileops {

namespace {

fs::path native(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QString parentOf(const QString& canonical) {
    const qsizetype slash = canonical.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : canonical.left(slash);
}

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// True for a symbolic link too, dangling or not.
bool entryExists(const QString& path) {
    std::error_code ec;
    return fs::symlink_status(native(path), ec).type() != fs::file_type::not_found && !ec;
}

bool isDir(const QString& path) {
    std::error_code ec;
    return fs::is_directory(native(path), ec);
}

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

QString reason(const std::error_code& ec) {
    return QString::fromLocal8Bit(ec.message().c_str());
}

// The entries a source names, or nothing when it names none.
QStringList sources(const QString& path) {
    if (!hasPattern(path))
        return entryExists(path) ? QStringList{path} : QStringList{};
    const QFileInfo fi(path);
    QStringList out;
    const QDir dir(fi.path());
    for (const QString& name :
         dir.entryList(QStringList{fi.fileName()},
                       QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted))
        out << joined(fi.path(), name);
    return out;
}

bool within(const QString& inner, const QString& outer) {
    return inner == outer || (outer == QStringLiteral("/") ? true : inner.startsWith(outer + u'/'));
}

enum class Op { Copy, Move };

// The bytes and permissions of a file into a new file, written, synced and closed, each step checked:
// a full disk shows as such (ENOSPC), at the latest when the data is flushed.
std::error_code copyData(const fs::path& from, const fs::path& to) {
    const auto lastError = [] { return std::error_code(errno, std::generic_category()); };
    // O_NONBLOCK: a FIFO in a file's place must not wait for a writer; it is refused below.
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return lastError();
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        const std::error_code ec =
            S_ISREG(st.st_mode) ? lastError() : std::make_error_code(std::errc::not_supported);
        ::close(in);
        return ec;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const std::error_code ec = lastError();
        ::close(in);
        return ec;
    }
    std::error_code ec;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0)
                ec = lastError();
            break;
        }
        for (ssize_t done = 0; done < n && !ec;) {
            const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                ec = lastError();
            else if (w > 0)
                done += w;
        }
        if (ec)
            break;
    }
    if (!ec && ::fchmod(out, st.st_mode & 07777) != 0)
        ec = lastError();
    if (!ec && ::fsync(out) != 0)
        ec = lastError();
    if (::close(out) != 0 && !ec)
        ec = lastError();
    ::close(in);
    return ec;
}

// A file (or a link, as a link) copied to a name of its own beside the target, synced and renamed over
// the target: what was there is replaced whole or stays as it was.
std::error_code copyOver(const fs::path& s, const fs::path& d) {
    std::error_code ec;
    fs::path temp;
    do {
        temp = d.parent_path() /
               ('.' + d.filename().string() + '.' +
                QByteArray::number(QRandomGenerator::global()->generate(), 16).toStdString() + ".tmp");
    } while (fs::symlink_status(temp, ec).type() != fs::file_type::not_found && !ec);
    ec.clear();
    if (fs::is_symlink(fs::symlink_status(s, ec))) {
        fs::copy_symlink(s, temp, ec);
    } else if (!ec) {
        ec = copyData(s, temp);
    }
    if (!ec)
        fs::rename(temp, d, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
    }
    return ec;
}

QString verb(Op op) {
    return op == Op::Copy ? QStringLiteral("複写") : QStringLiteral("移動");
}

bool failed(Op op, const QString& src, const QString& dst, const std::error_code& ec, QString* error) {
    return fail(error,
                QStringLiteral("「%1」を「%2」へ%3できません。\r%4").arg(src, dst, verb(op), reason(ec)));
}

bool transferOne(Op op, const QString& src, const QString& dst, QString* error);

// A folder: its entries one by one into the target folder (made when missing, merged when there).
bool transferFolder(Op op, const QString& src, const QString& dst, QString* error) {
    std::error_code ec;
    fs::create_directories(native(dst), ec);
    if (ec)
        return failed(op, src, dst, ec, error);
    const QDir dir(src);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted))
        if (!transferOne(op, joined(src, name), joined(dst, name), error))
            return false;
    if (op == Op::Move)
        fs::remove(native(src), ec);
    return ec ? failed(op, src, dst, ec, error) : true;
}

bool transferOne(Op op, const QString& src, const QString& dst, QString* error) {
    const QString csrc = canonicalPath(src);
    const QString cdst = canonicalPath(dst);
    std::error_code linkCheck;
    // A link to a folder is copied and moved as a link.
    const bool folder = fs::symlink_status(native(src), linkCheck).type() == fs::file_type::directory;
    if (csrc == cdst || (folder && within(cdst, csrc)))
        return fail(error,
                    QStringLiteral("「%1」をそれ自身の中へ%2することはできません。").arg(src, verb(op)));

    const fs::path s = native(src), d = native(dst);
    std::error_code ec;
    fs::create_directories(d.parent_path(), ec);
    if (ec)
        return failed(op, src, dst, ec, error);
    // On one file system a move is a rename; a file renamed over another replaces it in one step.
    if (op == Op::Move && (folder ? !entryExists(dst) : !isDir(dst))) {
        fs::rename(s, d, ec);
        if (!ec)
            return true;
        if (ec != std::errc::cross_device_link)
            return failed(op, src, dst, ec, error);
        ec.clear(); // another file system: copy, then delete
    }
    if (folder)
        return transferFolder(op, src, dst, error);
    // Nothing is deleted before its replacement is complete beside it; a link in the target's place is
    // replaced, never written through.
    ec = copyOver(s, d);
    if (!ec && op == Op::Move)
        fs::remove(s, ec);
    return ec ? failed(op, src, dst, ec, error) : true;
}

bool transfer(Op op, const QString& from, const QString& to, QString* error) {
    const QStringList list = sources(from);
    if (list.isEmpty())
        return fail(error, QStringLiteral("「%1」が見つかりません。").arg(from));
    if (hasPattern(from)) {
        std::error_code ec;
        fs::create_directories(native(to), ec);
        if (ec)
            return fail(error, QStringLiteral("「%1」を作成できません。\r%2").arg(to, reason(ec)));
        for (const QString& src : list)
            if (!transferOne(op, src, joined(to, QFileInfo(src).fileName()), error))
                return false;
        return true;
    }
    const QString dst = isDir(to) ? joined(to, QFileInfo(QDir::cleanPath(from)).fileName()) : to;
    return transferOne(op, from, dst, error);
}

} // namespace

QString canonicalPath(const QString& path) {
    if (path.trimmed().isEmpty())
        return {};
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    QString current = QStringLiteral("/");
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QStringLiteral("."))
            continue;
        if (part == QStringLiteral("..")) {
            current = parentOf(current);
            continue;
        }
        const QString next = joined(current, part);
        const QString resolved = QFileInfo(next).canonicalFilePath(); // empty when it does not exist
        current = resolved.isEmpty() ? next : resolved;
    }
    return current;
}

bool hasPattern(const QString& path) {
    const QString last = path.mid(path.lastIndexOf(u'/') + 1);
    return last.contains(u'*') || last.contains(u'?');
}

bool remove(const QString& path, bool toTrash, QString* error) {
    const QStringList list = sources(path);
    if (list.isEmpty())
        return fail(error, QStringLiteral("「%1」が見つかりません。").arg(path));
    for (const QString& entry : list) {
        std::error_code ec;
        if (toTrash) {
            if (!QFile::moveToTrash(entry))
                return fail(error, QStringLiteral("「%1」をごみ箱へ移動できません。").arg(entry));
            continue;
        }
        fs::remove_all(native(entry), ec);
        if (ec)
            return fail(error, QStringLiteral("「%1」を削除できません。\r%2").arg(entry, reason(ec)));
    }
    return true;
}

bool copy(const QString& from, const QString& to, QString* error) {
    return transfer(Op::Copy, from, to, error);
}

bool move(const QString& from, const QString& to, QString* error) {
    return transfer(Op::Move, from, to, error);
}

} // namespace shellfileops
