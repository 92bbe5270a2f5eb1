// The session composer fed directory values. For every set of values that the validation
// accepts, the composed configuration keeps the profile's directives (same lines in the same
// order; only the remote lines and the credentials line change), each remote line carries the
// host and the port as one word each, and the credentials file lies in the application
// directory. No accepted input yields a directive that runs or loads code.
//
// Input: host, port, category, user and password separated by zero bytes.
#include "DirectoryValues.h"
#include "FuzzInput.h"
#include "SessionConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

const QString appDir = QStringLiteral("/opt/Client VPN");

const QStringList forbiddenDirectives = {QStringLiteral("up"),
                                         QStringLiteral("down"),
                                         QStringLiteral("script-security"),
                                         QStringLiteral("plugin"),
                                         QStringLiteral("route-up"),
                                         QStringLiteral("route-pre-down"),
                                         QStringLiteral("tls-verify"),
                                         QStringLiteral("auth-user-pass-verify"),
                                         QStringLiteral("client-connect"),
                                         QStringLiteral("client-disconnect"),
                                         QStringLiteral("learn-address"),
                                         QStringLiteral("ipchange"),
                                         QStringLiteral("config")};

QStringList words(const QString &line)
{
    static const QRegularExpression blanks(QStringLiteral(R"(\s+)"));
    return line.split(blanks, Qt::SkipEmptyParts);
}

// The directive of a configuration line: its first word, without the "--" that OpenVPN also
// accepts there.
QString directive(const QString &line)
{
    const QStringList lineWords = words(line);
    if (lineWords.isEmpty())
        return QString();
    QString first = lineWords.first();
    if (first.startsWith(QLatin1String("--")))
        first.remove(0, 2);
    return first;
}

bool isRemoteLine(const QString &line)
{
    static const QRegularExpression remoteRegex(QStringLiteral(R"(^remote\s+\S+\s+\d+)"));
    return remoteRegex.match(line).hasMatch();
}

const QHash<QString, QString> &profiles()
{
    static const QHash<QString, QString> byCategory = [] {
        QHash<QString, QString> result;
        for (const char *key : {"default", "fastvpn", "goose", "pia", "surfshark"}) {
            QFile file(QStringLiteral(":/ovpnfile/%1.ovpn").arg(QLatin1String(key)));
            FuzzInput::check(file.open(QIODevice::ReadOnly));
            result.insert(QLatin1String(key), QString::fromUtf8(file.readAll()));
        }
        return result;
    }();
    return byCategory;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInput::silenceLog();
    profiles();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList values = FuzzInput::fields(data, size, 5);
    const QString &host = values.at(0);
    const QString &port = values.at(1);
    const QString &cat = values.at(2);
    const QString &user = values.at(3);
    const QString &pass = values.at(4);
    if (!DirectoryValues::firstUnusable(host, port, cat, user, pass).isEmpty())
        return 0;
    // Any other category has no profile, and the connection stops there.
    if (!profiles().contains(cat))
        return 0;

    const QString authPath = SessionConfig::credentialsPath(appDir, user);
    FuzzInput::check(QFileInfo(QDir::cleanPath(authPath)).absolutePath() == appDir);

    const QString finalPort = SessionConfig::effectivePort(port);
    const QString profile = profiles().value(cat);
    const QStringList before = profile.split(QLatin1Char('\n'));
    const QStringList after =
        SessionConfig::compose(profile, host, finalPort, authPath).split(QLatin1Char('\n'));
    FuzzInput::check(after.size() == before.size());

    bool credentialsSeen = false;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const QString &was = before.at(i);
        const QString &is = after.at(i);
        FuzzInput::check(directive(is) == directive(was));
        FuzzInput::check(!forbiddenDirectives.contains(directive(is)));
        if (isRemoteLine(was)) {
            const QStringList wasWords = words(was);
            const QStringList isWords = words(is);
            FuzzInput::check(isWords.size() == wasWords.size());
            FuzzInput::check(isWords.at(1) == host && isWords.at(2) == finalPort.trimmed());
            FuzzInput::check(isWords.mid(3) == wasWords.mid(3));
        } else if (!credentialsSeen && was.trimmed().startsWith(QLatin1String("auth-user-pass"))) {
            FuzzInput::check(is == SessionConfig::authLine(authPath));
            FuzzInput::check(!authPath.contains(QLatin1Char('"')) &&
                             DirectoryValues::isSingleLine(authPath));
            credentialsSeen = true;
        } else {
            FuzzInput::check(is == was);
        }
    }
    FuzzInput::check(credentialsSeen);
    return 0;
}
