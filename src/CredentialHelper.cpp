#include "CredentialHelper.h"

#include "CredentialFile.h"

#include <QDebug>
#include <QFile>

CredentialHelper::CredentialHelper(QObject *parent) : QObject(parent) {}

void CredentialHelper::writeAuthFile(const QString &username, const QString &password)
{
    const QString path = CredentialFile::sharedFilePath();
    if (!CredentialFile::write(path, username, password, CredentialFile::LineEnds::Lf)) {
        qWarning() << "[CredentialHelper] Failed to write auth.txt";
        return;
    }
    qDebug() << "[CredentialHelper] auth.txt written at" << path;
}

void CredentialHelper::deleteAuthFile()
{
    const QString path = CredentialFile::sharedFilePath();
    if (!QFile::exists(path))
        return;
    QFile::remove(path);
    qDebug() << "[CredentialHelper] auth.txt deleted";
}
