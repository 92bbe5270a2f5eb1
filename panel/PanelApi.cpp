#include "PanelApi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace PanelApi {

namespace {

const QString invalidCredentials = QStringLiteral("Invalid username or password");

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decodeComponent(const QByteArray &encoded, QString *decoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%') {
            if (i + 2 >= encoded.size())
                return false;
            const int high = hexValue(encoded.at(i + 1));
            const int low = hexValue(encoded.at(i + 2));
            if (high < 0 || low < 0)
                return false;
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    QStringDecoder toUtf16(QStringDecoder::Utf8);
    *decoded = toUtf16(bytes);
    return !toUtf16.hasError();
}

QByteArray jsonBody(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

bool decodeQuery(const QByteArray &query, QList<QPair<QString, QString>> *fields)
{
    fields->clear();
    if (query.isEmpty())
        return true;
    for (const QByteArray &part : query.split('&')) {
        if (part.isEmpty())
            continue;
        const qsizetype equals = part.indexOf('=');
        QString key;
        QString value;
        if (!decodeComponent(equals < 0 ? part : part.left(equals), &key))
            return false;
        if (equals >= 0 && !decodeComponent(part.mid(equals + 1), &value))
            return false;
        for (const auto &field : *fields) {
            if (field.first == key)
                return false;
        }
        fields->append({key, value});
    }
    return true;
}

SignIn readSignIn(const QByteArray &query)
{
    SignIn signIn;
    QList<QPair<QString, QString>> fields;
    if (!decodeQuery(query, &fields)) {
        signIn.error = QStringLiteral("malformed query");
        return signIn;
    }
    for (const auto &field : fields) {
        if (field.first == QLatin1String("username"))
            signIn.username = field.second;
        else if (field.first == QLatin1String("password"))
            signIn.password = field.second;
    }
    if (signIn.username.isEmpty() || signIn.password.isEmpty())
        signIn.error = QStringLiteral("username and password are required");
    return signIn;
}

bool parseAccounts(const QByteArray &json, QList<Account> *accounts)
{
    accounts->clear();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return false;
    for (const QJsonValue &value : document.array()) {
        if (!value.isObject())
            return false;
        const QJsonObject object = value.toObject();
        Account account;
        account.username = object.value(QLatin1String("username")).toString();
        account.password = object.value(QLatin1String("password")).toString();
        account.expiry = object.value(QLatin1String("expiry")).toString();
        account.message = object.value(QLatin1String("message")).toString();
        account.disabled = object.value(QLatin1String("disabled")).toBool();
        if (account.username.isEmpty())
            return false;
        accounts->append(account);
    }
    return true;
}

Reply checkSignIn(const QList<Account> &accounts, const SignIn &signIn)
{
    Reply reply;
    reply.username = signIn.username;
    for (const Account &account : accounts) {
        if (account.username != signIn.username || account.password != signIn.password)
            continue;
        if (account.disabled) {
            reply.body = jsonBody(
                {{QStringLiteral("auth"), false}, {QStringLiteral("message"), account.message}});
            reply.outcome = QStringLiteral("refused: account disabled");
            return reply;
        }
        reply.body = jsonBody({{QStringLiteral("auth"), true},
                               {QStringLiteral("expiry"), account.expiry},
                               {QStringLiteral("message"), account.message}});
        reply.outcome = QStringLiteral("signed in");
        return reply;
    }
    reply.body = jsonBody(
        {{QStringLiteral("auth"), false}, {QStringLiteral("message"), invalidCredentials}});
    reply.outcome = QStringLiteral("refused: invalid username or password");
    return reply;
}

Reply errorReply(int status, const QString &message)
{
    Reply reply;
    reply.status = status;
    reply.body = jsonBody({{QStringLiteral("error"), message}});
    reply.outcome = message;
    return reply;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray httpResponse(int status, const QByteArray &body)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status);
    response += "\r\nContent-Type: application/json\r\nContent-Length: ";
    response += QByteArray::number(body.size());
    response += "\r\nCache-Control: no-store\r\n\r\n";
    response += body;
    return response;
}

QString quoted(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace PanelApi
