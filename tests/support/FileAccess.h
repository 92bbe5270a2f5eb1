#pragma once

#include <QString>
#include <QStringList>

// Who may open a file, as the platform reports it: the mode bits on Unix, the access list on
// Windows.
namespace FileAccess {

// Logs every grant of the file at `path` (its mode, or each entry of its access list with its
// SID and rights) and returns those that make it less private than a file of its user alone:
// empty when only that user (on Windows also SYSTEM and the Administrators) may open it.
QStringList grantsBeyondItsUser(const QString &path);

} // namespace FileAccess
