#include "FileAccess.h"

#include <QDebug>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

QStringList grantsBeyondItsUser(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {QStringLiteral("no mode to read")};
    const QString mode =
        QStringLiteral("mode %1").arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
    qInfo().noquote() << path << mode << "owner" << status.st_uid;
    QStringList beyond;
    if ((status.st_mode & 07777) != 0600)
        beyond.append(mode);
    if (status.st_uid != ::geteuid())
        beyond.append(QStringLiteral("owner %1").arg(status.st_uid));
    return beyond;
}

} // namespace FileAccess
