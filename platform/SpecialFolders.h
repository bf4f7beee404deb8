#pragma once
// The Windows special folders, mapped to Linux. Each can be pointed elsewhere by an environment
// variable, which is how tests keep every file inside a temporary folder:
//   QV_COMMON_APPDATA  all-users application-data folder (default $XDG_DATA_HOME or ~/.local/share)
//   QV_DOCUMENTS       the user's documents folder (default $XDG_DOCUMENTS_DIR or ~/Documents)
//   QV_TEMP            temporary folder (default $TEMP, $TMPDIR, /tmp)
//   QV_PROGRAM_DIR     folder of the program file (default the running executable's folder)
//   QV_RUNTIME_DIR     runtime folder for locks and sockets (default $XDG_RUNTIME_DIR or the temp folder)
// Paths never end with a separator.

#include <QString>

namespace specialfolders {

QString commonAppData();
QString documents();
QString temp();
QString programDir();
QString runtimeDir();
QString home();

} // namespace specialfolders
