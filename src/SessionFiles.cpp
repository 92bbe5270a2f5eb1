#include "SessionFiles.h"

#include "CredentialFile.h"
#include "SecretMasking.h"
#include "SessionConfig.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace SessionFiles {

namespace {

#ifdef Q_OS_WIN
constexpr auto platform = SessionConfig::Platform::Windows;
#else
constexpr auto platform = SessionConfig::Platform::Other;
#endif

// Written atomically, because an existing working copy is used as it is from then on.
bool extractProfile(const QString &cat, const QString &baseConfigPath)
{
    QFile resource(QStringLiteral(":/ovpnfile/") + cat + QStringLiteral(".ovpn"));
    if (!resource.open(QIODevice::ReadOnly)) {
        qWarning() << "[VPN] Cannot open resource file:" << cat;
        return false;
    }
    QSaveFile file(baseConfigPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(resource.readAll()) != resource.size() ||
        !file.commit()) {
        qWarning() << "[VPN] Failed to write" << cat;
        return false;
    }
    qDebug() << "[VPN] Extracted" << cat << "to:" << baseConfigPath;
    return true;
}

QString credentialsFile(const QString &appDir, const QString &user, const QString &pass)
{
    const QString authFilePath = SessionConfig::credentialsPath(appDir, user);
    if (authFilePath == CredentialFile::sharedFilePath()) {
        if (!QFile::exists(authFilePath)) {
            qWarning() << "[VPN] auth.txt not found at:" << authFilePath;
            return QString();
        }
        return authFilePath;
    }
    if (!CredentialFile::write(authFilePath, user, pass, CredentialFile::LineEnds::Platform)) {
        qWarning() << "[VPN] Cannot create auth file:" << authFilePath;
        return QString();
    }
    qDebug() << "[VPN] Created user-specific auth file:" << authFilePath;
    return authFilePath;
}

} // namespace

QString prepare(const QString &host, const QString &port, const QString &cat, const QString &user,
                const QString &pass, bool killSwitch)
{
    const QString finalPort = SessionConfig::effectivePort(port);
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString baseConfigPath = appDir + QLatin1Char('/') + cat + QStringLiteral(".ovpn");
    if (!QFile::exists(baseConfigPath) && !extractProfile(cat, baseConfigPath))
        return QString();

    const QString authFilePath = credentialsFile(appDir, user, pass);
    if (authFilePath.isEmpty())
        return QString();

    QFile baseConfig(baseConfigPath);
    if (!baseConfig.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "[VPN] Failed to open base config";
        return QString();
    }
    QString configContent = SessionConfig::compose(QString::fromUtf8(baseConfig.readAll()), host,
                                                   finalPort, authFilePath);
    baseConfig.close();
    if (killSwitch)
        configContent = SessionConfig::withKillSwitch(configContent, platform);
    qDebug().noquote() << "[VPN] Final config content:\n"
                       << SecretMasking::maskSecretBlocks(configContent);

    const QString tempDir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QString sessionFilePath = tempDir + QStringLiteral("/vpn_session.ovpn");
    QFile session(sessionFilePath);
    if (session.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream out(&session);
        out << configContent;
        out.flush();
        session.close();
        if (out.status() == QTextStream::Ok && session.error() == QFileDevice::NoError)
            return sessionFilePath;
    }
    qWarning() << "[VPN] Failed to create session config file";
    return QString();
}

} // namespace SessionFiles
