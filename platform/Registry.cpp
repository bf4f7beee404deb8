#include "platform/Registry.h"

#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"

#include <QDir>

namespace registry {

namespace {

const QString kDwordPrefix = QStringLiteral("dword:");

QString sectionName(Root root, const QString& keyPath) {
    QString path = keyPath;
    while (path.startsWith(u'\\'))
        path.remove(0, 1);
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path.isEmpty() ? rootName(root) : rootName(root) + u'\\' + path;
}

} // namespace

QString filePath() {
    QString dir = qEnvironmentVariable("QV_REGISTRY_DIR");
    if (dir.isEmpty())
        dir = specialfolders::commonAppData();
    return QDir::cleanPath(dir) + QStringLiteral("/registry.ini");
}

QString rootName(Root root) {
    switch (root) {
    case Root::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case Root::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case Root::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case Root::Users:
        return QStringLiteral("HKEY_USERS");
    }
    return {};
}

QVariant readValue(Root root, const QString& keyPath, const QString& name) {
    const IniFile ini(filePath());
    const QString section = sectionName(root, keyPath);
    if (!ini.valueExists(section, name))
        return {};
    const QString raw = ini.readString(section, name);
    if (raw.startsWith(kDwordPrefix, Qt::CaseInsensitive)) {
        bool ok = false;
        const quint32 v = raw.mid(kDwordPrefix.size()).trimmed().toUInt(&ok, 16);
        if (ok)
            return QVariant(static_cast<qint32>(v));
    }
    return QVariant(raw);
}

bool keyExists(Root root, const QString& keyPath) {
    return IniFile(filePath()).sectionExists(sectionName(root, keyPath));
}

bool writeString(Root root, const QString& keyPath, const QString& name, const QString& value) {
    IniFile ini(filePath());
    return ini.writeString(sectionName(root, keyPath), name, value);
}

bool writeInteger(Root root, const QString& keyPath, const QString& name, qint32 value) {
    IniFile ini(filePath());
    return ini.writeString(sectionName(root, keyPath), name,
                           kDwordPrefix +
                               QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QChar(u'0')));
}

bool deleteValue(Root root, const QString& keyPath, const QString& name) {
    IniFile ini(filePath());
    return ini.deleteKey(sectionName(root, keyPath), name);
}

} // namespace registry
