#include "AutoStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/client-vpn.desktop");
}

} // namespace

QString AutoStart::apply(bool on, const QString &program)
{
    const QString path = entryPath();
    if (!on) {
        QFile entry(path);
        if (entry.exists() && !entry.remove())
            return path + QStringLiteral(" cannot be removed (") + entry.errorString() +
                   QLatin1Char(')');
        return {};
    }
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return folder + QStringLiteral(" cannot be made");
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly) || entry.write(desktopEntry(program)) < 0 ||
        !entry.commit())
        return path + QStringLiteral(" cannot be written (") + entry.errorString() +
               QLatin1Char(')');
    return {};
}
