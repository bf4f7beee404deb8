#pragma once
// Packs one file into a ZIP archive, with a zip command line of options as the archiver library takes it:
// "-D" no folder entries, "-P <password>" classic PKWARE encryption, "-q" quiet, "-j" the bare file
// name. Archive and source may be given in double quotes.

#include <QString>

// 0 done; a libzip error code (ZIP_ER_*) when packing failed, and no archive is left; -3 a password was
// asked for and the library cannot encrypt.
int ZipFiles(const QString& command, const QString& archive, const QString& source);
