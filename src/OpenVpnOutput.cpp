#include "OpenVpnOutput.h"

#include <QRegularExpression>

namespace OpenVpnOutput {

Findings examineLine(const QString &line)
{
    static const QRegularExpression privateIpRegex(
        QStringLiteral(R"((?:ip addr add|ifconfig)\s+(\d{1,3}(?:\.\d{1,3}){3}))"));
    // Where OpenVPN on Linux puts the address on the device; at low verbosity (verb 1) it is
    // the only line that names the address.
    static const QRegularExpression deviceAddressRegex(
        QStringLiteral(R"(net_addr_v4_add:\s+(\d{1,3}(?:\.\d{1,3}){3})/\d{1,2}\b)"));
    static const QRegularExpression deviceRegex(
        QStringLiteral(R"(\bdevice (?:\[([^\]]+)\]|(\S+)) opened\b)"));

    const QString text = line.trimmed();
    Findings findings;
    if (text.isEmpty())
        return findings;
    findings.connectingMarker = text.contains(QLatin1String("TCP connection")) ||
                                text.contains(QLatin1String("Attempting to establish")) ||
                                text.contains(QLatin1String("Preserving recently used"));
    findings.completionMarker =
        text.contains(QLatin1String("Initialization Sequence Completed"), Qt::CaseInsensitive);
    for (const QRegularExpression *regex : {&privateIpRegex, &deviceAddressRegex}) {
        const QRegularExpressionMatch match = regex->match(text);
        if (match.hasMatch()) {
            findings.privateIp = match.captured(1);
            break;
        }
    }
    const QRegularExpressionMatch device = deviceRegex.match(text);
    if (device.hasMatch())
        findings.tunnelDevice = device.captured(1) + device.captured(2);
    return findings;
}

QStringList takeCompleteLines(QByteArray &pending, qsizetype maxLineLength)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
        lines.append(QString::fromUtf8(pending.constData() + start, end - start));
        start = end + 1;
    }
    pending.remove(0, start);
    if (pending.size() > maxLineLength)
        lines.append(takeRest(pending));
    return lines;
}

QString takeRest(QByteArray &pending)
{
    const QString rest = QString::fromUtf8(pending);
    pending.clear();
    return rest;
}

} // namespace OpenVpnOutput
