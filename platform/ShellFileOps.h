#pragma once
// The Windows shell's silent file operations (delete with optional recycle bin, copy, move) on Linux, with
// the shell's rules for targets: an existing folder as target receives the source by its name, any other
// target becomes the copy itself (missing folders on the way are created); a pattern ("*", "?") in the
// last part of the source names every matching entry of its folder, and the target is then a folder.
// Existing files are overwritten and folders merged. Symbolic links are copied and deleted as links.
// Errors come back as Japanese texts for the operator.

#include <QString>

namespace shellfileops {

// Absolute, "." and ".." resolved, symbolic links followed as far as the path exists, no trailing
// separator ("/" stays "/"). Empty for an empty or blank path.
QString canonicalPath(const QString& path);
// True when the last part of the path holds "*" or "?".
bool hasPattern(const QString& path);

bool remove(const QString& path, bool toTrash, QString* error = nullptr);
bool copy(const QString& from, const QString& to, QString* error = nullptr);
bool move(const QString& from, const QString& to, QString* error = nullptr);

} // namespace shellfileops
