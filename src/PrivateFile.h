#pragma once

#include <QString>

// A file that only its user may read or write.
namespace PrivateFile {

// Writes `text` as UTF-8 to `path` atomically, readable and writable by its user alone: mode
// 0600 on Unix; on Windows an access list of full control for that user, SYSTEM and the
// Administrators, inheriting nothing from the folder, on the file from the moment it exists.
// With the platform's line ends when `platformLineEnds` is set, else "\n". Returns false,
// leaving an earlier file untouched, when the file cannot be written or cannot be made
// private.
bool write(const QString &path, const QString &text, bool platformLineEnds);

} // namespace PrivateFile
