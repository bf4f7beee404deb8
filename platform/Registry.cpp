#include "platform/Registry.h"

#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace registry {

namespace {

QString sectionOf(Root root, const QString& keyPath) {
    QString path = keyPath;
    while (path.startsWith(u'\\'))
        path.remove(0, 1);
    while (path.endsWith(u'\\'))
        path.chop(1);
    const QString rootName = root == Root::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                                        : QStringLiteral("HKEY_CURRENT_USER");
    return path.isEmpty() ? rootName : rootName + u'\\' + path;
}

Value decode(const QString& raw) {
    static const QRegularExpression dword(QStringLiteral("^dword:([0-9A-Fa-f]{1,8})$"));
    Value v;
    if (raw.size() >= 2 && raw.startsWith(u'"') && raw.endsWith(u'"')) {
        v.type = ValueType::Text;
        v.text = raw.mid(1, raw.size() - 2);
    } else if (const auto m = dword.match(raw); m.hasMatch()) {
        v.type = ValueType::Integer;
        v.integer = static_cast<qint32>(m.captured(1).toUInt(nullptr, 16));
    } else {
        v.type = ValueType::Text;
        v.text = raw;
    }
    return v;
}

bool write(Root root, const QString& keyPath, const QString& name, const QString& stored) {
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini(path);
    if (ini.lastLoadFailed())
        return false;
    return ini.writeString(sectionOf(root, keyPath), name, stored);
}

} // namespace

QString filePath() {
    const QString v = qEnvironmentVariable("QV_REGISTRY_FILE");
    return v.isEmpty() ? specialfolders::commonAppData() + QStringLiteral("/registry.ini") : v;
}

bool keyExists(Root root, const QString& keyPath) {
    const QString section = sectionOf(root, keyPath);
    const QString below = section + u'\\';
    for (const QString& s : IniFile(filePath()).sections())
        if (s.compare(section, Qt::CaseInsensitive) == 0 || s.startsWith(below, Qt::CaseInsensitive))
            return true;
    return false;
}

QStringList subKeys(Root root, const QString& keyPath) {
    const QString below = sectionOf(root, keyPath) + u'\\';
    QStringList out;
    // The first spelling of a subkey stands for it; the set keeps the check linear in the keys.
    QSet<QString> seen;
    for (const QString& s : IniFile(filePath()).sections()) {
        if (!s.startsWith(below, Qt::CaseInsensitive))
            continue;
        const QString child = s.mid(below.size()).section(u'\\', 0, 0);
        if (!child.isEmpty() && !seen.contains(child.toCaseFolded())) {
            seen.insert(child.toCaseFolded());
            out << child;
        }
    }
    std::sort(out.begin(), out.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return out;
}

Value readValue(Root root, const QString& keyPath, const QString& name) {
    IniFile ini(filePath());
    const QString section = sectionOf(root, keyPath);
    if (!ini.valueExists(section, name))
        return {};
    return decode(ini.readString(section, name));
}

QString readString(Root root, const QString& keyPath, const QString& name) {
    const Value v = readValue(root, keyPath, name);
    return v.type == ValueType::Text ? v.text : QString();
}

qint32 readInteger(Root root, const QString& keyPath, const QString& name) {
    const Value v = readValue(root, keyPath, name);
    return v.type == ValueType::Integer ? v.integer : 0;
}

bool writeString(Root root, const QString& keyPath, const QString& name, const QString& value) {
    if (value.contains(u'\r') || value.contains(u'\n'))
        return false; // one line per value
    return write(root, keyPath, name, u'"' + value + u'"');
}

bool writeInteger(Root root, const QString& keyPath, const QString& name, qint32 value) {
    return write(root, keyPath, name,
                 QStringLiteral("dword:%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0')));
}

} // namespace registry
