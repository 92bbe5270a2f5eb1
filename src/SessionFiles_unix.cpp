#include "SessionFiles.h"

#include <QDebug>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace SessionFiles {

// The temporary directory is shared by every user: in a folder of one user's own, no other
// user's file can block a session's file or be planted in its place. The folder is looked at
// without following a link, and in a directory with the sticky bit nobody else can replace
// it afterwards.
QString folder()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
                         QStringLiteral("/clientvpn-") + QString::number(::geteuid());
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        qWarning() << "[VPN] Cannot create the session folder" << path << std::strerror(errno);
        return QString();
    }
    struct stat status = {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        qWarning() << "[VPN] Refusing the session folder, which is not a folder of this user's:"
                   << path;
        return QString();
    }
    if ((status.st_mode & 0077) != 0 && ::chmod(name.constData(), 0700) != 0) {
        qWarning() << "[VPN] Cannot make the session folder private" << path
                   << std::strerror(errno);
        return QString();
    }
    return path;
}

} // namespace SessionFiles
