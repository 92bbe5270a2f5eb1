#pragma once

#include <QByteArray>
#include <QString>

// The files that one connection needs: the working copy of the profile beside the
// executable, the credentials file, and in the session folder the composed configuration
// "vpn_session.ovpn" and the password of OpenVPN's management interface.
namespace SessionFiles {

// Where the OpenVPN of one attempt listens for the client's requests.
struct Management
{
    quint16 port = 0;
    QByteArray password;
    // Holds the password for OpenVPN; remove it once OpenVPN has ended.
    QString passwordFilePath;
};

struct Session
{
    // Empty when the files could not be prepared.
    QString configPath;
    Management management;
};

// The session folder, made if need be: the temporary directory where that is the user's own
// (Windows), else the user's folder "clientvpn-<uid>" inside it, readable by that user alone.
// Empty, with a warning, when it cannot be made or what holds its name is not a folder of
// this user's.
QString folder();

// Extracts the profile of category `cat` from the resource bundle unless a working copy
// exists, selects "auth.txt" (user "default", in any letter case and with blanks around it)
// or writes "auth_<user>.txt", composes the configuration for `host` and `port` (blank: 1194),
// with the kill switch's directives when `killSwitch` is on and a management interface on a
// free loopback port with a new password, and writes it and the password file, both readable
// by their owner only. Each step logs its progress or its failure.
Session prepare(const QString &host, const QString &port, const QString &cat, const QString &user,
                const QString &pass, bool killSwitch);

} // namespace SessionFiles
