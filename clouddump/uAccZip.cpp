#include "clouddump/uAccZip.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <zip.h>

namespace {

QStringList splitCommand(const QString& command) {
    QStringList out;
    QString word;
    bool quoted = false, any = false;
    for (const QChar c : command) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c.isSpace() && !quoted) {
            if (any)
                out << word;
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        out << word;
    return out;
}

QString unquoted(const QString& path) {
    QString p = path.trimmed();
    if (p.size() >= 2 && p.startsWith(u'"') && p.endsWith(u'"'))
        p = p.mid(1, p.size() - 2);
    return p;
}

} // namespace

int ZipFiles(const QString& command, const QString& archive, const QString& source) {
    const QStringList words = splitCommand(command);
    QString password;
    bool withPassword = false, junkPaths = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words[i] == QLatin1String("-P") && i + 1 < words.size()) {
            withPassword = true;
            password = words[++i];
        } else if (words[i] == QLatin1String("-j")) {
            junkPaths = true;
        }
    }
    if (withPassword && !zip_encryption_method_supported(ZIP_EM_TRAD_PKWARE, 1))
        return -3;

    const QString archivePath = unquoted(archive);
    const QString sourcePath = unquoted(source);
    const QByteArray archiveName = QFile::encodeName(archivePath);
    const QByteArray sourceName = QFile::encodeName(sourcePath);
    const QFileInfo existing(archivePath);
    if (existing.isSymLink() || (existing.exists() && !existing.isFile()))
        return ZIP_ER_EXISTS; // never replace a folder, device or link
    QFile::remove(archivePath);

    int error = 0;
    zip_t* zip = zip_open(archiveName.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return error ? error : ZIP_ER_OPEN;
    const auto fail = [&](int code) {
        zip_discard(zip);
        QFile::remove(archivePath);
        return code ? code : ZIP_ER_INTERNAL;
    };
    if (!QFileInfo(sourcePath).isFile())
        return fail(ZIP_ER_NOENT);
    zip_source_t* src = zip_source_file(zip, sourceName.constData(), 0, -1);
    if (!src)
        return fail(zip_error_code_zip(zip_get_error(zip)));
    QString entry = junkPaths ? QFileInfo(sourcePath).fileName() : sourcePath;
    while (entry.startsWith(u'/'))
        entry.remove(0, 1);
    const zip_int64_t index = zip_file_add(zip, entry.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        return fail(zip_error_code_zip(zip_get_error(zip)));
    }
    if (withPassword && zip_file_set_encryption(zip, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE,
                                                password.toUtf8().constData()) != 0)
        return fail(zip_error_code_zip(zip_get_error(zip)));
    if (zip_close(zip) != 0)
        return fail(zip_error_code_zip(zip_get_error(zip)));
    // The archive holds the dataset's passwords as well.
    QFile::setPermissions(archivePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return 0;
}
