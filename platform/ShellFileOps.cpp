#include "platform/ShellFileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

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

bool transferOne(Op op, const QString& src, const QString& dst, QString* error) {
    const QString what = op == Op::Copy ? QStringLiteral("複写") : QStringLiteral("移動");
    const QString csrc = canonicalPath(src);
    const QString cdst = canonicalPath(dst);
    if (csrc == cdst || (isDir(src) && within(cdst, csrc)))
        return fail(error, QStringLiteral("「%1」をそれ自身の中へ%2することはできません。").arg(src, what));

    const fs::path s = native(src), d = native(dst);
    std::error_code ec;
    fs::create_directories(d.parent_path(), ec);
    if (!ec && op == Op::Move && !entryExists(dst)) {
        fs::rename(s, d, ec);
        if (!ec)
            return true;
        ec.clear(); // another file system: copy, then delete
    }
    // A file replaces what is there rather than writing through a link in its place.
    if (!ec && !isDir(src) && entryExists(dst) && !isDir(dst))
        fs::remove(d, ec);
    if (!ec)
        fs::copy(s, d,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                     fs::copy_options::copy_symlinks,
                 ec);
    if (!ec && op == Op::Move)
        fs::remove_all(s, ec);
    if (ec)
        return fail(error,
                    QStringLiteral("「%1」を「%2」へ%3できません。\r%4").arg(src, dst, what, reason(ec)));
    return true;
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
