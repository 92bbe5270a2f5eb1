#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Why a connection attempt ended without the tunnel, or why a tunnel ended by itself, told
// from what OpenVPN printed on its standard output and how it ended.
namespace ConnectionFailure {

enum class Cause {
    CredentialsRefused,  // the server refused the user name or password
    ServerUnreachable,   // no connection to the server, or the handshake never completed
    ProgramNotInstalled, // no OpenVPN program in any of the places looked at
    ProgramNotStarted,   // OpenVPN is there but could not be executed
    SettingsUnusable,    // the session could not be prepared, or OpenVPN refused its options
    ConnectionLost       // the tunnel was up and ended without the user asking
};

enum class Ending {
    NotPrepared,  // the session's values or files could not be used; nothing was started
    NotInstalled, // no OpenVPN program was found; nothing was started
    NotStarted,   // OpenVPN could not be started
    Ended         // OpenVPN exited, crashed, was killed, or was stopped by the connecting bound
};

// Follows one attempt's standard output, line by line.
class Diagnosis
{
public:
    // Takes note of what one line says about a failure.
    void examine(const QString &line);
    // The tunnel came up: its end, unless the server refused the credentials, is a loss.
    void noteTunnelUp();
    Cause conclude(Ending ending) const;

private:
    std::optional<Cause> m_hint;
    bool m_tunnelUp = false;
};

// The cause for an attempt whose standard output was `lines` and that ended as `ending`.
Cause diagnose(const QStringList &lines, Ending ending);

// One short sentence for the user.
QString sentence(Cause cause);

} // namespace ConnectionFailure
