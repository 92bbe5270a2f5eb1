#include "PanelServer.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {

const QString directoryPath = QStringLiteral("/api/app-servers.json");
const QString signInPath = QStringLiteral("/api/auth.php");

bool readFile(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return true;
}

QString methodName(QHttpServerRequest::Method method)
{
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return key ? QString::fromLatin1(key).toUpper() : QStringLiteral("UNKNOWN");
}

} // namespace

PanelServer::PanelServer(const PanelOptions &options, QObject *parent)
    : QAbstractHttpServer(parent), m_options(options)
{}

bool PanelServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const PanelApi::Reply reply = answer(request);
    const QString user = reply.username.isEmpty()
                             ? QString()
                             : QStringLiteral(" user ") + PanelApi::quoted(reply.username);
    QString line = QStringLiteral("[Panel] %1 %2%3 -> %4 %5")
                       .arg(methodName(request.method()),
                            PanelApi::quoted(request.url().path(QUrl::FullyEncoded)), user)
                       .arg(reply.status)
                       .arg(reply.outcome);
    if (m_options.noReply) {
        qInfo().noquote() << line << "(held, no reply)";
        return true;
    }
    if (m_options.delayMs > 0)
        line += QStringLiteral(" (after %1 ms)").arg(m_options.delayMs);
    qInfo().noquote() << line;
    if (m_options.delayMs > 0) {
        // The socket is the timer's context: a client that leaves first cancels the reply.
        QPointer<QTcpSocket> target(socket);
        QTimer::singleShot(m_options.delayMs, socket, [this, target, reply] {
            if (target)
                send(target, reply);
        });
    } else {
        send(socket, reply);
    }
    return true;
}

void PanelServer::missingHandler(const QHttpServerRequest &, QTcpSocket *socket)
{
    send(socket, PanelApi::errorReply(404, QStringLiteral("not found")));
}

PanelApi::Reply PanelServer::answer(const QHttpServerRequest &request) const
{
    const QString path = request.url().path();
    const QByteArray query = request.url().query(QUrl::FullyEncoded).toLatin1();
    PanelApi::Reply reply;
    if (path == directoryPath || path == signInPath) {
        if (request.method() != QHttpServerRequest::Method::Get)
            reply = PanelApi::errorReply(405, QStringLiteral("only GET is served"));
        else if (path == directoryPath)
            reply = directoryReply();
        else
            reply = signInReply(query);
    } else {
        reply = PanelApi::errorReply(404, QStringLiteral("not found"));
    }
    if (m_options.forcedStatus != 0) {
        const QString outcome =
            QStringLiteral("forced status instead of: %1 %2").arg(reply.status).arg(reply.outcome);
        const QString username = reply.username;
        reply = PanelApi::errorReply(m_options.forcedStatus, QStringLiteral("forced status"));
        reply.username = username;
        reply.outcome = outcome;
    }
    return reply;
}

PanelApi::Reply PanelServer::directoryReply() const
{
    if (m_options.directoryFile.isEmpty())
        return PanelApi::errorReply(404, QStringLiteral("no directory file given"));
    PanelApi::Reply reply;
    if (!readFile(m_options.directoryFile, &reply.body))
        return PanelApi::errorReply(500, QStringLiteral("cannot read the directory file"));
    reply.outcome = QStringLiteral("directory, %1 bytes").arg(reply.body.size());
    return reply;
}

PanelApi::Reply PanelServer::signInReply(const QByteArray &query) const
{
    const PanelApi::SignIn signIn = PanelApi::readSignIn(query);
    PanelApi::Reply reply;
    if (!signIn.error.isEmpty()) {
        reply = PanelApi::errorReply(400, signIn.error);
    } else if (!m_options.authBodyFile.isEmpty()) {
        if (readFile(m_options.authBodyFile, &reply.body))
            reply.outcome = QStringLiteral("answered with the sign-in body file");
        else
            reply = PanelApi::errorReply(500, QStringLiteral("cannot read the sign-in body file"));
    } else if (m_options.accountsFile.isEmpty()) {
        reply = PanelApi::errorReply(404, QStringLiteral("no accounts file given"));
    } else {
        QByteArray json;
        QList<PanelApi::Account> accounts;
        if (!readFile(m_options.accountsFile, &json))
            reply = PanelApi::errorReply(500, QStringLiteral("cannot read the accounts file"));
        else if (!PanelApi::parseAccounts(json, &accounts))
            reply = PanelApi::errorReply(500, QStringLiteral("the accounts file is not valid"));
        else
            reply = PanelApi::checkSignIn(accounts, signIn);
    }
    reply.username = signIn.username;
    return reply;
}

void PanelServer::send(QTcpSocket *socket, const PanelApi::Reply &reply) const
{
    socket->write(PanelApi::httpResponse(reply.status, reply.body));
}
