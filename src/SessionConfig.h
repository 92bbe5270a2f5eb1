#pragma once

#include <QString>

// Composes the configuration of one connection from an OpenVPN profile: the server's address
// and port go into the remote lines, the credentials file into the auth-user-pass line, and
// every other line of the profile stays as it is.
namespace SessionConfig {

// "1194" when `port` is empty or only white space, else `port` verbatim (blanks included).
QString effectivePort(const QString &port);

// The credentials file of `user` in the application directory `appDir`: "auth.txt" for the
// user "default" (in any letter case, blanks around it allowed), else "auth_<user>.txt".
QString credentialsPath(const QString &appDir, const QString &user);

// The directive that names the credentials file: auth-user-pass and the path, double-quoted,
// with forward slashes in place of backslashes.
QString authLine(const QString &authFilePath);

// Rewrites every line that begins with remote, an address and a port number to
// "remote <host> <port>" (words after the port stay), and replaces the first line whose
// trimmed text starts with auth-user-pass by authLine(authFilePath), or appends that directive
// as a new last line when there is none. Lines are separated by "\n".
QString compose(const QString &profile, const QString &host, const QString &port,
                const QString &authFilePath);

enum class Platform { Windows, Other };

// The configuration with the kill switch's directives appended as last lines, each unless a
// line of `config` already gives it: persist-tun, so that OpenVPN keeps its tunnel device and
// routes while it reconnects, and on Windows block-outside-dns, so that name lookups cannot
// leave outside the tunnel (OpenVPN on other platforms refuses that directive).
QString withKillSwitch(const QString &config, Platform platform);

// The directive that opens OpenVPN's management interface on the loopback port `port`,
// guarded by the password in the file `passwordFilePath` (double-quoted, forward slashes).
QString managementLine(quint16 port, const QString &passwordFilePath);

// `config` with `line` as its new last line, ended by "\n".
QString withLastLine(const QString &config, const QString &line);

} // namespace SessionConfig
