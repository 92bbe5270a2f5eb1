#pragma once

#include <QString>

// Checks the values of a server directory entry before they reach the session configuration
// and file names: a value that could add a directive to the configuration, or name a file
// outside the application directory, is not usable.
namespace DirectoryValues {

// A host name or an IPv4/IPv6 address: letters, digits and ". - _ :" only, 1 to 253 of them.
bool isHost(const QString &host);

// Blank (the default port is used), or a number from 1 to 65535, possibly with spaces
// around it.
bool isPort(const QString &port);

// A plain file name that stays in its directory: not empty, no path separators, no "..", none
// of < > : " | ? * and no control characters, not ending in a dot or a space, and not a
// device name that Windows reserves (CON, NUL, CONIN$, COM0 to COM9 and LPT0 to LPT9, the
// superscript digits ¹ ² ³ included).
bool isFileName(const QString &name);

// No line break.
bool isSingleLine(const QString &text);

// The name of the first value that cannot be used ("host", "port", "category", "user" or
// "password"), or an empty text when all can. The category names the file <cat>.ovpn and the
// user the file auth_<user>.txt.
QString firstUnusable(const QString &host, const QString &port, const QString &cat,
                      const QString &user, const QString &pass);

} // namespace DirectoryValues
