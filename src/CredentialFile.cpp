#include "CredentialFile.h"

#include "PrivateFile.h"

#include <QCoreApplication>

namespace CredentialFile {

QString sharedFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/auth.txt");
}

QString compose(const QString &user, const QString &password)
{
    return user + QLatin1Char('\n') + password + QLatin1Char('\n');
}

bool write(const QString &path, const QString &user, const QString &password, LineEnds lineEnds)
{
    return PrivateFile::write(path, compose(user, password), lineEnds == LineEnds::Platform);
}

} // namespace CredentialFile
