#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpServer>
#include <QTextStream>

#include "PanelOptions.h"
#include "PanelServer.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslKey readKey(const QString &path)
{
    const QByteArray pem = readAll(path);
    QSslKey key(pem, QSsl::Ec);
    if (key.isNull())
        key = QSslKey(pem, QSsl::Rsa);
    return key;
}

QString baseUrl(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("https://%1:%2").arg(host).arg(port);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("clientvpn-panel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    PanelOptions options;
    QString error;
    QString help;
    if (!PanelOptions::parse(QCoreApplication::arguments(), &options, &error, &help)) {
        if (error.isEmpty()) {
            out << help;
            return 0;
        }
        err << "clientvpn-panel: " << error << Qt::endl << help;
        return 2;
    }

    const QList<QSslCertificate> certificates =
        QSslCertificate::fromData(readAll(options.certificateFile), QSsl::Pem);
    if (certificates.isEmpty()) {
        err << "clientvpn-panel: no PEM certificate in " << options.certificateFile << Qt::endl;
        return 2;
    }
    const QSslKey key = readKey(options.keyFile);
    if (key.isNull()) {
        err << "clientvpn-panel: no PEM private key in " << options.keyFile << Qt::endl;
        return 2;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(certificates);
    tls.setPrivateKey(key);

    PanelServer server(options);
    server.sslSetup(tls);
    const quint16 port = server.listen(options.address, options.port);
    if (port == 0) {
        const QList<QTcpServer *> servers = server.servers();
        err << "clientvpn-panel: cannot listen on " << baseUrl(options.address, options.port)
            << ": " << (servers.isEmpty() ? QString() : servers.first()->errorString()) << Qt::endl;
        return 1;
    }
    out << "listening on " << baseUrl(options.address, port) << Qt::endl;
    return app.exec();
}
