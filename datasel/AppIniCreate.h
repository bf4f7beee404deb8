#pragma once
// The application ini (SystemDef.AppIniFile) with the data-server connection values, as the first-run
// settings write it.

// Mode 1 writes the file with its default sections and no dialog: DATABASE and MAINFORM removed,
// APPLICATION at its defaults, LOCAL from SystemDef (no host in stand-alone mode), SERVER with empty host
// and data root. Any other mode rewrites only the section of the current connection mode from SystemDef.
// The file holds the database password and is readable by its owner only. False when it cannot be
// written.
bool WriteAppIni(int mode);
