#include "QmlTestSetup.h"

#include "AutoStart.h"
#include "CredentialHelper.h"
#include "DisplayState.h"
#include "LocationDataLoader.h"
#include "PanelTrust.h"
#include "QmlTestHelper.h"
#include "SessionEnd.h"
#include "VpnManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>
#include <QtQml>

// The temporary HOME member is set up before anything reads the environment.
QmlTestSetup::QmlTestSetup()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Client"));
    QCoreApplication::setApplicationName(QStringLiteral("Client VPN"));
}

void QmlTestSetup::applicationAvailable()
{
    QFile ca(QStringLiteral(SOURCE_DIR "/demo/pki/ca.crt"));
    if (!ca.open(QIODevice::ReadOnly) || PanelTrust::addExtraCaCertificates(ca.readAll()) == 0)
        qWarning() << "[Test] The demo CA could not be read";
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/qml/VpnState.qml")), "MyApp", 1, 0,
                             "VpnState");
}

void QmlTestSetup::qmlEngineAvailable(QQmlEngine *engine)
{
    engine->addImportPath(QStringLiteral("qrc:/"));
    QQmlContext *context = engine->rootContext();
    context->setContextProperty(QStringLiteral("locationLoader"), new LocationDataLoader(engine));
    context->setContextProperty(QStringLiteral("credHelper"), new CredentialHelper(engine));
    context->setContextProperty(QStringLiteral("vpnManager"), new VpnManager(engine));
    context->setContextProperty(QStringLiteral("sessionEnd"), new SessionEnd(engine));
    context->setContextProperty(QStringLiteral("displayState"), new DisplayState(engine));
    context->setContextProperty(QStringLiteral("autoStart"), new AutoStart(engine));
    context->setContextProperty(QStringLiteral("panelUrl"), QString());
    context->setContextProperty(QStringLiteral("testHelper"),
                                new QmlTestHelper(engine, QStringLiteral(PANEL_PROGRAM),
                                                  QStringLiteral(SOURCE_DIR), engine));
}
