#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class LogCapture;
class PanelProcess;
class QQmlEngine;

// What the Qt Quick tests reach as the context property "testHelper": the settings store,
// files, the debug log, and panel programs started with test options.
class QmlTestHelper : public QObject
{
    Q_OBJECT

public:
    QmlTestHelper(QQmlEngine *engine, const QString &panelProgram, const QString &sourceDir,
                  QObject *parent = nullptr);
    ~QmlTestHelper() override;

    // Starts (once per set of options) a panel with the demo certificate plus the given
    // options on a free port; returns its base address, or the empty text on failure.
    Q_INVOKABLE QString startPanel(const QStringList &options);
    // Points the documents' "panelUrl" at a base address.
    Q_INVOKABLE void usePanel(const QString &url);
    // How many requests for the path the panel at that address has logged.
    Q_INVOKABLE int panelRequests(const QString &url, const QString &path) const;
    // A loopback HTTPS address on which nothing listens.
    Q_INVOKABLE QString unusedPortUrl() const;

    Q_INVOKABLE QString sourcePath(const QString &relativePath) const;
    // Writes a file in the temporary directory and returns its path.
    Q_INVOKABLE QString writeTempFile(const QString &name, const QString &content) const;
    // Writes a file (creating its folder), as someone editing it by hand would.
    Q_INVOKABLE void writeFile(const QString &path, const QString &content) const;
    // The file's text, or undefined when it does not exist.
    Q_INVOKABLE QVariant readFile(const QString &path) const;
    Q_INVOKABLE void removeFile(const QString &path) const;
    Q_INVOKABLE QString authFilePath() const;
    // The path of a file in the application-data directory (the location store's files).
    Q_INVOKABLE QString appDataPath(const QString &name) const;

    Q_INVOKABLE void clearStore() const;
    // The stored value, or undefined when the key is absent.
    Q_INVOKABLE QVariant storeValue(const QString &key) const;
    Q_INVOKABLE void setStoreValue(const QString &key, const QVariant &value) const;
    // Replaces the settings store's file by the text as it is (on Windows, where the store is
    // the registry, its content by the values that the text holds).
    Q_INVOKABLE void writeStoreFile(const QString &content) const;

    // Sets an environment variable of this process, which the programs it starts inherit
    // (the OpenVPN simulator reads its scenario from OPENVPN_SIM_SCENARIO).
    Q_INVOKABLE void setEnvironment(const QString &name, const QString &value) const;

    // Debug log messages since the last clearLog().
    Q_INVOKABLE QStringList logLines() const;
    Q_INVOKABLE void clearLog();

private:
    QQmlEngine *m_engine = nullptr;
    QString m_panelProgram;
    QString m_sourceDir;
    QHash<QString, PanelProcess *> m_panels;
    std::unique_ptr<LogCapture> m_log;
};
