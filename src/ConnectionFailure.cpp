#include "ConnectionFailure.h"

#include "OpenVpnOutput.h"

namespace ConnectionFailure {

namespace {

// OpenVPN's own words for a server that cannot be reached, and for a handshake that fails.
const QLatin1String unreachableTexts[] = {QLatin1String("Connection refused"),
                                          QLatin1String("Network is unreachable"),
                                          QLatin1String("No route to host"),
                                          QLatin1String("Connection timed out"),
                                          QLatin1String("Cannot resolve host address"),
                                          QLatin1String("TLS Error"),
                                          QLatin1String("TLS_ERROR"),
                                          QLatin1String("VERIFY ERROR")};

std::optional<Cause> causeInLine(const QString &line)
{
    if (line.contains(QLatin1String("AUTH_FAILED")))
        return Cause::CredentialsRefused;
    if (line.contains(QLatin1String("Options error:")))
        return Cause::SettingsUnusable;
    for (const QLatin1String &text : unreachableTexts) {
        if (line.contains(text))
            return Cause::ServerUnreachable;
    }
    return std::nullopt;
}

} // namespace

void Diagnosis::examine(const QString &line)
{
    if (const std::optional<Cause> cause = causeInLine(line))
        m_hint = cause;
}

void Diagnosis::noteTunnelUp()
{
    m_tunnelUp = true;
}

Cause Diagnosis::conclude(Ending ending) const
{
    switch (ending) {
    case Ending::NotPrepared:
        return Cause::SettingsUnusable;
    case Ending::NotInstalled:
        return Cause::ProgramNotInstalled;
    case Ending::NotStarted:
        return Cause::ProgramNotStarted;
    case Ending::Ended:
        break;
    }
    // A refusal while a live tunnel renegotiates says more than that it was lost.
    if (m_hint == Cause::CredentialsRefused)
        return Cause::CredentialsRefused;
    if (m_tunnelUp)
        return Cause::ConnectionLost;
    return m_hint.value_or(Cause::ServerUnreachable);
}

Cause diagnose(const QStringList &lines, Ending ending)
{
    Diagnosis diagnosis;
    for (const QString &line : lines) {
        diagnosis.examine(line);
        if (OpenVpnOutput::examineLine(line).completionMarker)
            diagnosis.noteTunnelUp();
    }
    return diagnosis.conclude(ending);
}

QString sentence(Cause cause)
{
    switch (cause) {
    case Cause::CredentialsRefused:
        return QStringLiteral("The server refused the user name or password.");
    case Cause::ServerUnreachable:
        return QStringLiteral("The server could not be reached.");
    case Cause::ProgramNotInstalled:
        return QStringLiteral("OpenVPN is not installed.");
    case Cause::ProgramNotStarted:
        return QStringLiteral("OpenVPN could not be started.");
    case Cause::SettingsUnusable:
        return QStringLiteral("This server's settings could not be used.");
    case Cause::ConnectionLost:
        return QStringLiteral("The connection was lost.");
    }
    return {};
}

} // namespace ConnectionFailure
