#include "CredentialFile.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTextStream>

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
    QSaveFile file(path);
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (lineEnds == LineEnds::Platform)
        mode |= QIODevice::Text;
    if (!file.open(mode))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QTextStream out(&file);
    out << compose(user, password);
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

} // namespace CredentialFile
