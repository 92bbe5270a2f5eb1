#pragma once

#include <QString>
#include <QStringList>

namespace FileAccess {

// Logs who may open the file at `path`, as the platform reports it (the mode bits on Unix,
// each entry of the access list on Windows), and returns what lets other users open it: a mode
// other than 0600 or another owner; an entry for Users, Everyone or Authenticated Users, or
// (on Windows itself) a list inherited from the folder. Empty for a private file.
QStringList grantsBeyondItsUser(const QString &path);

} // namespace FileAccess
