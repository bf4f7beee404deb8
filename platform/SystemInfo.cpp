#include "platform/SystemInfo.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace sysinfo {

QString computerName() {
    return QSysInfo::machineHostName();
}

QString userName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    for (const char* name : {"USER", "LOGNAME"})
        if (const QString v = qEnvironmentVariable(name); !v.isEmpty())
            return v;
    return {};
}

} // namespace sysinfo
