#pragma once

#include <QObject>
#include <QString>

// Writes the shared credentials file "auth.txt" beside the executable at sign-in.
class CredentialHelper : public QObject
{
    Q_OBJECT

public:
    explicit CredentialHelper(QObject *parent = nullptr);

    Q_INVOKABLE void writeAuthFile(const QString &username, const QString &password);
    Q_INVOKABLE void deleteAuthFile();
};
