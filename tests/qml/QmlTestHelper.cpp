#include "QmlTestHelper.h"

#include "CredentialFile.h"
#include "PanelProcess.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtDebug>

QmlTestHelper::QmlTestHelper(QQmlEngine *engine, const QString &panelProgram,
                             const QString &sourceDir, QObject *parent)
    : QObject(parent), m_engine(engine), m_panelProgram(panelProgram), m_sourceDir(sourceDir)
{}

QmlTestHelper::~QmlTestHelper() = default;

QString QmlTestHelper::startPanel(const QStringList &options)
{
    const QString key = options.join(QChar(0x1f));
    if (PanelProcess *running = m_panels.value(key))
        return running->url();
    auto *panel = new PanelProcess(m_panelProgram, m_sourceDir, options, this);
    QString error;
    if (!panel->start(&error)) {
        qWarning().noquote() << "[Test] Panel" << options.join(QLatin1Char(' ')) << ":" << error;
        delete panel;
        return QString();
    }
    m_panels.insert(key, panel);
    return panel->url();
}

void QmlTestHelper::usePanel(const QString &url)
{
    m_engine->rootContext()->setContextProperty(QStringLiteral("panelUrl"), url);
}

int QmlTestHelper::panelRequests(const QString &url, const QString &path) const
{
    for (PanelProcess *panel : m_panels) {
        if (panel->url() == url)
            return panel->requestCount(path);
    }
    return -1;
}

QString QmlTestHelper::unusedPortUrl() const
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("https://127.0.0.1:%1").arg(port);
}

QString QmlTestHelper::sourcePath(const QString &relativePath) const
{
    return m_sourceDir + QLatin1Char('/') + relativePath;
}

QString QmlTestHelper::writeTempFile(const QString &name, const QString &content) const
{
    const QString path = QDir::tempPath() + QLatin1Char('/') + name;
    writeFile(path, content);
    return path;
}

void QmlTestHelper::writeFile(const QString &path, const QString &content) const
{
    if (!writeFileBytes(path, content.toUtf8()))
        qWarning() << "[Test] Cannot write" << path;
}

void QmlTestHelper::writeStoreFile(const QString &content) const
{
#ifdef Q_OS_WIN
    // The store is the registry: it gets the values that the text holds as a settings file.
    clearStore();
    const QSettings file(writeTempFile(QStringLiteral("store.ini"), content), QSettings::IniFormat);
    QSettings store;
    for (const QString &key : file.allKeys())
        store.setValue(key, file.value(key));
#else
    writeFile(QSettings().fileName(), content);
#endif
}

QVariant QmlTestHelper::readFile(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QVariant();
    return QString::fromUtf8(file.readAll());
}

void QmlTestHelper::removeFile(const QString &path) const
{
    QFile::remove(path);
}

QString QmlTestHelper::authFilePath() const
{
    return CredentialFile::sharedFilePath();
}

QString QmlTestHelper::appDataPath(const QString &name) const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/') +
           name;
}

void QmlTestHelper::clearStore() const
{
    // Key by key: on Windows clear() deletes the store's registry key, and a settings object
    // that has the key open (the documents' store) would then neither read nor write.
    QSettings store;
    for (const QString &key : store.allKeys())
        store.remove(key);
    store.sync();
}

QVariant QmlTestHelper::storeValue(const QString &key) const
{
    return QSettings().value(key);
}

void QmlTestHelper::setStoreValue(const QString &key, const QVariant &value) const
{
    QSettings store;
    store.setValue(key, value);
    store.sync();
}

void QmlTestHelper::setEnvironment(const QString &name, const QString &value) const
{
    qputenv(name.toLocal8Bit().constData(), value.toLocal8Bit());
}

QStringList QmlTestHelper::logLines() const
{
    return m_log ? m_log->lines() : QStringList();
}

void QmlTestHelper::clearLog()
{
    // Created from within a test run, so that it sits on top of the test logger's handler.
    if (!m_log)
        m_log = std::make_unique<LogCapture>();
    m_log->clear();
}
