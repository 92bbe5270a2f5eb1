#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Where the client finds the OpenVPN program that it starts: beside itself first, so that a
// folder laid out by hand keeps working; then where OpenVPN's own Windows installer recorded
// itself under HKLM\SOFTWARE\OpenVPN; on other platforms the system's program. Only places
// that an administrator controls count: no per-user registry, working folder or PATH, which a
// process without administrator rights could point elsewhere for an elevated client.
namespace OpenVpnProgram {

// What OpenVPN's Windows installer recorded: the value "exe_path" (the program) and the key's
// default value (the installation folder), with '/' as separator; empty where none.
struct Registration
{
    QString exePath;
    QString folder;
};

// The places to look at, first to last: `beside`, then the registered program and the
// registered folder's bin/openvpn.exe (absolute paths only), then `systemProgram` if any.
QStringList places(const QString &beside, const Registration &registration,
                   const QString &systemProgram);

// The first of `places` that `isFile` accepts; empty when none does.
QString choose(const QStringList &places, const std::function<bool(const QString &)> &isFile);

// The places of this machine and platform.
QStringList placesHere();

// The program to start; empty when OpenVPN is in none of `placesHere()`.
QString find();

// Of this platform: the program's file name, the registration (empty outside Windows) and
// the system's program (empty on Windows).
QString programName();
Registration registration();
QString systemProgram();

} // namespace OpenVpnProgram
