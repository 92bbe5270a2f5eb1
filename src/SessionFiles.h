#pragma once

#include <QString>

// The files that one connection needs: the working copy of the profile beside the
// executable, the credentials file, and the composed configuration "vpn_session.ovpn" in the
// temporary directory.
namespace SessionFiles {

// Extracts the profile of category `cat` from the resource bundle unless a working copy
// exists, selects "auth.txt" (user "default", in any letter case and with blanks around it)
// or writes "auth_<user>.txt", composes the configuration for `host` and `port` (blank: 1194),
// with the kill switch's directives when `killSwitch` is on, and writes it. Returns the path of
// the composed configuration, or an empty text when a step failed; each step logs its progress
// or its failure.
QString prepare(const QString &host, const QString &port, const QString &cat, const QString &user,
                const QString &pass, bool killSwitch);

} // namespace SessionFiles
