#include "DirectoryValues.h"

#include <QRegularExpression>

namespace DirectoryValues {

namespace {

bool isControl(QChar ch)
{
    return ch.unicode() < 0x20 || ch.unicode() == 0x7f;
}

bool isReservedDeviceName(const QString &name)
{
    static const QRegularExpression deviceRegex(
        QStringLiteral(
            R"(\A(con|prn|aux|nul|conin\$|conout\$|(com|lpt)[0-9\x{b9}\x{b2}\x{b3}])\z)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed();
    return deviceRegex.match(stem).hasMatch();
}

} // namespace

bool isHost(const QString &host)
{
    static const QRegularExpression hostRegex(QStringLiteral(R"(\A[A-Za-z0-9._:-]{1,253}\z)"));
    return hostRegex.match(host).hasMatch();
}

bool isPort(const QString &port)
{
    static const QRegularExpression portRegex(QStringLiteral(R"(\A *([0-9]{0,5}) *\z)"));
    const QRegularExpressionMatch match = portRegex.match(port);
    if (!match.hasMatch())
        return false;
    const QString digits = match.captured(1);
    if (digits.isEmpty())
        return true;
    const int number = digits.toInt();
    return number >= 1 && number <= 65535;
}

bool isFileName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.endsWith(QLatin1Char('.')) ||
        name.endsWith(QLatin1Char(' ')) || isReservedDeviceName(name))
        return false;
    for (const QChar ch : name) {
        if (isControl(ch) || QStringView(u"/\\<>:\"|?*").contains(ch))
            return false;
    }
    return true;
}

bool isSingleLine(const QString &text)
{
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

QString firstUnusable(const QString &host, const QString &port, const QString &cat,
                      const QString &user, const QString &pass)
{
    if (!isHost(host))
        return QStringLiteral("host");
    if (!isPort(port))
        return QStringLiteral("port");
    if (!isFileName(cat + QLatin1String(".ovpn")))
        return QStringLiteral("category");
    if (!isFileName(QStringLiteral("auth_%1.txt").arg(user)))
        return QStringLiteral("user");
    if (!isSingleLine(pass))
        return QStringLiteral("password");
    return QString();
}

} // namespace DirectoryValues
