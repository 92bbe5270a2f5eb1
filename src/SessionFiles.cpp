#include "SessionFiles.h"

#include "CredentialFile.h"
#include "PrivateFile.h"
#include "SecretMasking.h"
#include "SessionConfig.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTcpServer>

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

// A loopback port that nothing listens on now, and a new random password.
Management newManagement(const QString &tempDir)
{
    QTcpServer probe;
    probe.setProxy(QNetworkProxy::NoProxy);
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        qWarning() << "[VPN] No free loopback port for the management interface:"
                   << probe.errorString();
        return {};
    }
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    return {probe.serverPort(),
            QByteArray(reinterpret_cast<const char *>(random), sizeof random).toHex(),
            tempDir + QStringLiteral("/vpn_management.txt")};
}

} // namespace

Session prepare(const QString &host, const QString &port, const QString &cat, const QString &user,
                const QString &pass, bool killSwitch)
{
    const QString finalPort = SessionConfig::effectivePort(port);
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString baseConfigPath = appDir + QLatin1Char('/') + cat + QStringLiteral(".ovpn");
    if (!QFile::exists(baseConfigPath) && !extractProfile(cat, baseConfigPath))
        return {};

    const QString authFilePath = credentialsFile(appDir, user, pass);
    if (authFilePath.isEmpty())
        return {};

    QFile baseConfig(baseConfigPath);
    if (!baseConfig.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "[VPN] Failed to open base config";
        return {};
    }
    const QString tempDir = folder();
    if (tempDir.isEmpty())
        return {};
    const Management management = newManagement(tempDir);
    if (management.port == 0)
        return {};
    QString configContent = SessionConfig::compose(QString::fromUtf8(baseConfig.readAll()), host,
                                                   finalPort, authFilePath);
    baseConfig.close();
    if (killSwitch)
        configContent = SessionConfig::withKillSwitch(configContent, platform);
    configContent = SessionConfig::withLastLine(
        configContent, SessionConfig::managementLine(management.port, management.passwordFilePath));
    qDebug().noquote() << "[VPN] Final config content:\n"
                       << SecretMasking::maskSecretBlocks(configContent);

    const QString sessionFilePath = tempDir + QStringLiteral("/vpn_session.ovpn");
    if (!PrivateFile::write(sessionFilePath, configContent, true)) {
        qWarning() << "[VPN] Failed to create session config file";
        return {};
    }
    if (!PrivateFile::write(management.passwordFilePath,
                            QString::fromLatin1(management.password) + QLatin1Char('\n'), false)) {
        qWarning() << "[VPN] Failed to create management password file"
                   << management.passwordFilePath;
        QFile::remove(sessionFilePath);
        return {};
    }
    return {sessionFilePath, management};
}

} // namespace SessionFiles
