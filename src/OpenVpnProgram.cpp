#include "OpenVpnProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace OpenVpnProgram {

QStringList places(const QString &beside, const Registration &registration,
                   const QString &systemProgram)
{
    QStringList result{beside};
    if (!registration.exePath.isEmpty() && QDir::isAbsolutePath(registration.exePath))
        result << QDir::cleanPath(registration.exePath);
    if (!registration.folder.isEmpty() && QDir::isAbsolutePath(registration.folder))
        result << QDir(registration.folder).filePath(QStringLiteral("bin/openvpn.exe"));
    if (!systemProgram.isEmpty())
        result << systemProgram;
    return result;
}

QString choose(const QStringList &places, const std::function<bool(const QString &)> &isFile)
{
    for (const QString &place : places) {
        if (isFile(place))
            return place;
    }
    return {};
}

QStringList placesHere()
{
    return places(QCoreApplication::applicationDirPath() + QLatin1Char('/') + programName(),
                  registration(), systemProgram());
}

QString find()
{
    return choose(placesHere(), [](const QString &place) { return QFileInfo(place).isFile(); });
}

} // namespace OpenVpnProgram
