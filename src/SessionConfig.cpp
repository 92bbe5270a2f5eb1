#include "SessionConfig.h"

#include "LiteralReplace.h"

#include <QRegularExpression>
#include <QStringList>

namespace SessionConfig {

namespace {

// Whether a line of `config` gives the directive `name`, which OpenVPN also accepts with the
// two dashes of its command line.
bool hasDirective(const QString &config, QLatin1String name)
{
    const QRegularExpression directiveLine(
        QStringLiteral(R"(^\s*(?:--)?%1(?:\s|$))").arg(QRegularExpression::escape(name)),
        QRegularExpression::MultilineOption);
    return directiveLine.match(config).hasMatch();
}

QString quotedPath(const QString &path)
{
    QString forward = path;
    forward.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QLatin1Char('"') + forward + QLatin1Char('"');
}

} // namespace

QString effectivePort(const QString &port)
{
    return port.trimmed().isEmpty() ? QStringLiteral("1194") : port;
}

QString credentialsPath(const QString &appDir, const QString &user)
{
    if (user.trimmed().toLower() == QLatin1String("default"))
        return appDir + QStringLiteral("/auth.txt");
    return appDir + QStringLiteral("/auth_%1.txt").arg(user);
}

QString authLine(const QString &authFilePath)
{
    return QStringLiteral("auth-user-pass ") + quotedPath(authFilePath);
}

QString compose(const QString &profile, const QString &host, const QString &port,
                const QString &authFilePath)
{
    static const QRegularExpression remoteRegex(QStringLiteral(R"(^remote\s+\S+\s+\d+)"),
                                                QRegularExpression::MultilineOption);

    // Substituted in one pass, and literally: a "%" or "\1" inside the host stays as it is.
    const QString remoteLine = QStringLiteral("remote %1 %2").arg(host, port);
    QString configContent = replaceLiterally(profile, remoteRegex, 0, remoteLine);

    const QString fixedAuthLine = authLine(authFilePath);
    QStringList lines = configContent.split(QLatin1Char('\n'));
    bool replaced = false;
    for (QString &line : lines) {
        if (line.trimmed().startsWith(QLatin1String("auth-user-pass"))) {
            line = fixedAuthLine;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.append(fixedAuthLine);
    return lines.join(QLatin1Char('\n'));
}

QString withKillSwitch(const QString &config, Platform platform)
{
    QList<QLatin1String> directives = {QLatin1String("persist-tun")};
    if (platform == Platform::Windows)
        directives.append(QLatin1String("block-outside-dns"));
    QString result = config;
    for (const QLatin1String &directive : directives) {
        if (!hasDirective(config, directive))
            result = withLastLine(result, directive);
    }
    return result;
}

QString managementLine(quint16 port, const QString &passwordFilePath)
{
    return QStringLiteral("management 127.0.0.1 %1 ").arg(port) + quotedPath(passwordFilePath);
}

QString withLastLine(const QString &config, const QString &line)
{
    const bool ended = config.isEmpty() || config.endsWith(QLatin1Char('\n'));
    return config + (ended ? QString() : QStringLiteral("\n")) + line + QLatin1Char('\n');
}

} // namespace SessionConfig
