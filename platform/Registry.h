#pragma once
// The Windows registry, kept as one CP932 ini file (IniFile semantics): one section per key, named by
// its root and path ("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\..."), one entry per value. Integer values are
// stored as "dword:" and eight hex digits, as the registry editor writes them; everything else is text.
// The file is "registry.ini" in $QV_REGISTRY_DIR, or else in the common application-data folder.

#include <QString>
#include <QVariant>

namespace registry {

enum class Root { ClassesRoot, CurrentUser, LocalMachine, Users };

QString filePath();
QString rootName(Root root);

// An int for an integer value, a QString for any other; invalid when the key or value is absent.
QVariant readValue(Root root, const QString& keyPath, const QString& name);
bool keyExists(Root root, const QString& keyPath);
bool writeString(Root root, const QString& keyPath, const QString& name, const QString& value);
bool writeInteger(Root root, const QString& keyPath, const QString& name, qint32 value);
bool deleteValue(Root root, const QString& keyPath, const QString& name);

} // namespace registry
