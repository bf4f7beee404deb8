#pragma once
// The Windows registry as a CP932 ini file kept by the program: one section per key, named by its root
// and path ("HKEY_LOCAL_MACHINE\SOFTWARE\QUARNO\PELLANZAIMU13"), one line per value. Text values are
// stored in double quotes, integers as "dword:" and eight hex digits, as a .reg export writes them;
// an unquoted value that is not a dword reads as text, so hand-written files work.
// The file is $QV_REGISTRY_FILE, by default "registry.ini" in the all-users application-data folder.
// Absent keys and values read as empty text or 0. Key paths are compared without case and may start
// or end with "\".

#include <QString>
#include <QStringList>

namespace registry {

enum class Root { LocalMachine, CurrentUser };

enum class ValueType { None, Text, Integer };

struct Value {
    ValueType type = ValueType::None;
    QString text;
    qint32 integer = 0;
};

QString filePath();

bool keyExists(Root root, const QString& keyPath);
// Names of the direct subkeys, sorted without case as the registry lists them.
QStringList subKeys(Root root, const QString& keyPath);

Value readValue(Root root, const QString& keyPath, const QString& name);
// Text of a text value; empty when absent or of another type.
QString readString(Root root, const QString& keyPath, const QString& name);
// An integer value; 0 when absent or of another type.
qint32 readInteger(Root root, const QString& keyPath, const QString& name);

// Create the key when it is missing; false when the file cannot be written.
bool writeString(Root root, const QString& keyPath, const QString& name, const QString& value);
bool writeInteger(Root root, const QString& keyPath, const QString& name, qint32 value);

} // namespace registry
