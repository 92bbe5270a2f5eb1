#pragma once

#include <QString>

// The credentials file that OpenVPN reads for auth-user-pass: the user name on the first
// line, the password on the second, each line terminated.
namespace CredentialFile {

enum class LineEnds {
    Lf,      // "\n" on every platform
    Platform // the platform's own line end (CR LF on Windows)
};

// The shared file "auth.txt" in the application directory, written at sign-in.
QString sharedFilePath();

// The file's content as written with "\n" line ends.
QString compose(const QString &user, const QString &password);

// Writes the file atomically and readable and writable by its owner only (where the
// platform has such permissions). Returns false, leaving an earlier file untouched, when
// the file cannot be written.
bool write(const QString &path, const QString &user, const QString &password, LineEnds lineEnds);

} // namespace CredentialFile
