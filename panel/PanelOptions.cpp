#include "PanelOptions.h"

#include <QCommandLineParser>

namespace {

bool readNumber(const QString &text, int minimum, int maximum, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return false;
    *number = value;
    return true;
}

} // namespace

bool PanelOptions::parse(const QStringList &arguments, PanelOptions *options, QString *error,
                         QString *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The local account panel: serves the server directory and checks "
                       "sign-ins over HTTPS."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Address to listen on (127.0.0.1)."),
                                     QStringLiteral("ip"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on (8443); 0 picks a free one."),
                                  QStringLiteral("port"), QStringLiteral("8443"));
    const QCommandLineOption certificate(QStringLiteral("cert"),
                                         QStringLiteral("PEM certificate of the server."),
                                         QStringLiteral("file"));
    const QCommandLineOption key(QStringLiteral("key"),
                                 QStringLiteral("PEM private key of the server (EC or RSA)."),
                                 QStringLiteral("file"));
    const QCommandLineOption directory(
        QStringLiteral("directory"),
        QStringLiteral("File served as /api/app-servers.json, read on every request."),
        QStringLiteral("file"));
    const QCommandLineOption accounts(
        QStringLiteral("accounts"),
        QStringLiteral("JSON accounts file checked by /api/auth.php, read on every request."),
        QStringLiteral("file"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                   QStringLiteral("Test: answer every request this late."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption noReply(QStringLiteral("no-reply"),
                                     QStringLiteral("Test: never answer any request."));
    const QCommandLineOption status(
        QStringLiteral("status"),
        QStringLiteral("Test: answer every request with this status (200-599)."),
        QStringLiteral("code"));
    const QCommandLineOption authBody(
        QStringLiteral("auth-body-file"),
        QStringLiteral("Test: answer well-formed sign-in requests with this file's bytes."),
        QStringLiteral("file"));
    parser.addOptions({helpOption, address, port, certificate, key, directory, accounts, delay,
                       noReply, status, authBody});

    error->clear();
    *help = parser.helpText();
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(helpOption))
        return false;
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return false;
    }

    PanelOptions result;
    if (!result.address.setAddress(parser.value(address))) {
        *error = QStringLiteral("Not an IP address: ") + parser.value(address);
        return false;
    }
    int number = 0;
    if (!readNumber(parser.value(port), 0, 65535, &number)) {
        *error = QStringLiteral("Not a port number: ") + parser.value(port);
        return false;
    }
    result.port = quint16(number);
    if (!readNumber(parser.value(delay), 0, 24 * 3600 * 1000, &result.delayMs)) {
        *error = QStringLiteral("Not a delay in milliseconds: ") + parser.value(delay);
        return false;
    }
    if (parser.isSet(status) && !readNumber(parser.value(status), 200, 599, &result.forcedStatus)) {
        *error = QStringLiteral("Not an HTTP status from 200 to 599: ") + parser.value(status);
        return false;
    }
    result.noReply = parser.isSet(noReply);
    result.certificateFile = parser.value(certificate);
    result.keyFile = parser.value(key);
    result.directoryFile = parser.value(directory);
    result.accountsFile = parser.value(accounts);
    result.authBodyFile = parser.value(authBody);
    if (result.certificateFile.isEmpty() || result.keyFile.isEmpty()) {
        *error = QStringLiteral("--cert and --key are required: the panel serves HTTPS only.");
        return false;
    }
    *options = result;
    return true;
}
