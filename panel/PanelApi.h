#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What the account panel answers, as pure functions of the request and of the bytes of its
// data files, so that tests call them without a server or files.
namespace PanelApi {

// One entry of the accounts file.
struct Account
{
    QString username;
    QString password;
    QString expiry;
    QString message;
    // A disabled account is refused even with the right password, with its own message
    // (which may be empty).
    bool disabled = false;
};

// The user name and password of a sign-in request, or why the request is malformed.
struct SignIn
{
    QString username;
    QString password;
    QString error;
};

// An answer: the HTTP status, the JSON body, and what the request log says about it.
struct Reply
{
    int status = 200;
    QByteArray body;
    QString username;
    QString outcome;
};

// Decodes a query of the form "key=value&key=value": "%XX" is one byte, "+" is a blank, the
// bytes are UTF-8. Returns false on a bad escape, invalid UTF-8 or a key given twice.
bool decodeQuery(const QByteArray &query, QList<QPair<QString, QString>> *fields);

// Reads the user name and password of a sign-in query; both are required and not empty.
SignIn readSignIn(const QByteArray &query);

// Reads the accounts file (a JSON array of objects). Returns false when it is not one.
bool parseAccounts(const QByteArray &json, QList<Account> *accounts);

// The answer to a well-formed sign-in request.
Reply checkSignIn(const QList<Account> &accounts, const SignIn &signIn);

// A reply with the given status and the body {"error": message}.
Reply errorReply(int status, const QString &message);

// The standard reason phrase of a status ("Not Found"), or "Status" for an unusual one.
QByteArray reasonPhrase(int status);

// A complete HTTP/1.1 response carrying a JSON body.
QByteArray httpResponse(int status, const QByteArray &body);

// A text quoted and escaped as a JSON string, so that a log line stays one line.
QString quoted(const QString &text);

} // namespace PanelApi
