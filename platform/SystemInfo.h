#pragma once
// Identity of the machine and the user (GetComputerName, GetUserName).

#include <QString>

namespace sysinfo {

// The host name; empty when the system gives none.
QString computerName();
// The login name of the user the program runs as; empty when it cannot be found.
QString userName();

} // namespace sysinfo
