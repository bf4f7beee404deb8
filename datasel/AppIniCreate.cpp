#include "datasel/AppIniCreate.h"

#include "core/uAccRecord.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString yesNo(quint8 flag) {
    return flag != 0 ? QStringLiteral("YES") : QStringLiteral("NO");
}

void writeConnection(IniFile& ini, const QString& section, const QString& host, quint8 goGlobal, quint8 group,
                     const QString& sysDir) {
    ini.writeString(section, QStringLiteral("HOSTNAME"), host);
    ini.writeString(section, QStringLiteral("GOGLOBAL"), yesNo(goGlobal));
    ini.writeString(section, QStringLiteral("GROUP"), yesNo(group));
    ini.writeString(section, QStringLiteral("SYSDIR"), sysDir);
    ini.writeString(section, QStringLiteral("USER"), SystemDef.USER);
    ini.writeString(section, QStringLiteral("PASSWORD"), SystemDef.PASSWORD);
}

// The section of the current connection mode with SystemDef's values; stand-alone data has no host.
void writeCurrentConnection(IniFile& ini) {
    const bool local = ConnectMode == 0;
    writeConnection(ini, local ? QStringLiteral("LOCAL") : QStringLiteral("SERVER"),
                    local ? QString() : SystemDef.HOSTNAME, SystemDef.GOGLOBAL, SystemDef.GROUP,
                    SystemDef.SYSDIR);
}

} // namespace

bool WriteAppIni(int mode) {
    const QString path = SystemDef.AppIniFile;
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    // Made its owner's alone before the password goes in; the atomic save keeps the permissions.
    if (!QFileInfo::exists(path)) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        return false;
    IniFile ini(path, false);
    if (ini.lastLoadFailed())
        return false;
    if (mode == 1) {
        ini.eraseSection(QStringLiteral("DATABASE"));
        ini.eraseSection(QStringLiteral("MAINFORM"));
        const QString app = QStringLiteral("APPLICATION");
        ini.writeString(app, QStringLiteral("TOP"), QStringLiteral("0"));
        ini.writeString(app, QStringLiteral("LEFT"), QStringLiteral("0"));
        ini.writeString(app, QStringLiteral("WIDTH"), QStringLiteral("1024"));
        ini.writeString(app, QStringLiteral("HEIGHT"), QStringLiteral("738"));
        ini.writeString(app, QStringLiteral("CONNECT"), QStringLiteral("0"));
        if (ConnectMode == 0)
            writeCurrentConnection(ini);
        else
            writeConnection(ini, QStringLiteral("LOCAL"), SystemDef.HOSTNAME, SystemDef.GOGLOBAL,
                            SystemDef.GROUP, SystemDef.SYSDIR);
        writeConnection(ini, QStringLiteral("SERVER"), QString(), 0, 0, QString());
    } else {
        writeCurrentConnection(ini);
    }
    return ini.save();
}
