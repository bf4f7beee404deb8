#include "platform/SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace specialfolders {

namespace {
QString envPath(const char* name) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString() : QDir::cleanPath(v);
}
} // namespace

QString home() {
    return QDir::cleanPath(QDir::homePath());
}

QString commonAppData() {
    QString v = envPath("QV_COMMON_APPDATA");
    if (v.isEmpty())
        v = envPath("XDG_DATA_HOME");
    if (v.isEmpty())
        v = home() + QStringLiteral("/.local/share");
    return v;
}

QString documents() {
    QString v = envPath("QV_DOCUMENTS");
    if (v.isEmpty())
        v = envPath("XDG_DOCUMENTS_DIR");
    if (v.isEmpty())
        v = home() + QStringLiteral("/Documents");
    return v;
}

QString temp() {
    for (const char* name : {"QV_TEMP", "TEMP", "TMPDIR"}) {
        QString v = envPath(name);
        if (!v.isEmpty())
            return v;
    }
    return QStringLiteral("/tmp");
}

QString programDir() {
    QString v = envPath("QV_PROGRAM_DIR");
    if (!v.isEmpty())
        return v;
    if (QCoreApplication::instance())
        return QDir::cleanPath(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(QDir::currentPath());
}

QString runtimeDir() {
    QString v = envPath("QV_RUNTIME_DIR");
    if (v.isEmpty())
        v = envPath("XDG_RUNTIME_DIR");
    if (v.isEmpty())
        v = temp();
    return v;
}

} // namespace specialfolders
