#include "OpenVpnOutput.h"

#include <QRegularExpression>

namespace OpenVpnOutput {

Findings examineLine(const QString &line)
{
    static const QRegularExpression privateIpRegex(
        QStringLiteral(R"((?:ip addr add|ifconfig)\s+(\d{1,3}(?:\.\d{1,3}){3}))"));

    const QString text = line.trimmed();
    Findings findings;
    if (text.isEmpty())
        return findings;
    findings.connectingMarker = text.contains(QLatin1String("TCP connection")) ||
                                text.contains(QLatin1String("Attempting to establish")) ||
                                text.contains(QLatin1String("Preserving recently used"));
    findings.completionMarker =
        text.contains(QLatin1String("Initialization Sequence Completed"), Qt::CaseInsensitive);
    const QRegularExpressionMatch match = privateIpRegex.match(text);
    if (match.hasMatch())
        findings.privateIp = match.captured(1);
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
