#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What OpenVPN's console output tells the client, one line at a time.
namespace OpenVpnOutput {

// What one line of standard output says about the tunnel.
struct Findings
{
    // "TCP connection", "Attempting to establish" or "Preserving recently used": a
    // connection attempt is under way.
    bool connectingMarker = false;
    // "Initialization Sequence Completed" in any letter case: the tunnel is up.
    bool completionMarker = false;
    // The tunnel's private IPv4 address from an "ifconfig" or "ip addr add" line, or else from
    // a "net_addr_v4_add: <address>/<prefix>" line; empty when the line names none.
    QString privateIp;
    // The tunnel's device from the line where OpenVPN opens it: "TUN/TAP device tun0 opened"
    // on Linux, "wintun device [OpenVPN Wintun] opened" (the adapter's name) on Windows; empty
    // when the line names none.
    QString tunnelDevice;
};

// Examines one line of standard output. Surrounding white space (a CR LF line end's carriage
// return included) is ignored; a line that is empty after trimming finds nothing.
Findings examineLine(const QString &line);

// Removes every line that is complete (ends in "\n") from the front of `pending` and returns
// them decoded as UTF-8, without their line ends and untrimmed. A line that has not yet
// received its line end stays in `pending` for the next read, unless it has grown beyond
// `maxLineLength` bytes, in which case it is returned as it is.
QStringList takeCompleteLines(QByteArray &pending, qsizetype maxLineLength = 64 * 1024);

// Empties `pending` and returns what it held decoded as UTF-8: the last line of a child that
// ended without writing its line end.
QString takeRest(QByteArray &pending);

} // namespace OpenVpnOutput
