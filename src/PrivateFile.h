#pragma once

#include <QString>

// A file that only its owner may read or write.
namespace PrivateFile {

// Writes `text` as UTF-8 to `path` atomically, readable and writable by its owner only
// (where the platform has such permissions), with the platform's line ends when
// `platformLineEnds` is set, else "\n". Returns false, leaving an earlier file untouched,
// when the file cannot be written.
bool write(const QString &path, const QString &text, bool platformLineEnds);

} // namespace PrivateFile
