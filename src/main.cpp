#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlDebuggingEnabler>
#include <QSessionManager>
#include <QUrl>
#include <QtQml>

#include "AutoStart.h"
#include "CredentialHelper.h"
#include "DisplayState.h"
#include "LocationDataLoader.h"
#include "PanelConfig.h"
#include "PanelTrust.h"
#include "SessionEnd.h"
#include "VpnManager.h"

int main(int argc, char *argv[])
{
    // Every log line starts with its component's bracketed prefix, also those written by the
    // documents, which Qt would otherwise print behind "qml: ".
    qSetMessagePattern(QStringLiteral("%{message}"));

    QCoreApplication::setOrganizationName(QStringLiteral("Client"));
    QCoreApplication::setApplicationName(QStringLiteral("Client VPN"));

    QGuiApplication app(argc, argv);

    LocationDataLoader locationLoader;

    QGuiApplication::setApplicationDisplayName(QStringLiteral("Client VPN"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icons/appicon.png")));

    PanelTrust::addExtraCaCertificates(QByteArray(PanelConfig::extraCaPem));

    // The session manager asks the program to save its state as the user's session ends (on
    // Windows the end-session query), before anything is stopped. It outlives the documents
    // that hear it.
    SessionEnd sessionEnd;
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &sessionEnd,
                     [&sessionEnd](QSessionManager &) { sessionEnd.note(); });

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));

    engine.rootContext()->setContextProperty(QStringLiteral("locationLoader"), &locationLoader);

    // Lives until the process ends and is never destroyed; held by a static pointer so that
    // it stays reachable (and is not reported as a leak by the sanitizers).
    static CredentialHelper *const credHelper = new CredentialHelper();
    engine.rootContext()->setContextProperty(QStringLiteral("credHelper"), credHelper);

    VpnManager vpnManager;
    engine.rootContext()->setContextProperty(QStringLiteral("vpnManager"), &vpnManager);
    engine.rootContext()->setContextProperty(QStringLiteral("sessionEnd"), &sessionEnd);
    DisplayState displayState;
    engine.rootContext()->setContextProperty(QStringLiteral("displayState"), &displayState);
    AutoStart autoStart;
    engine.rootContext()->setContextProperty(QStringLiteral("autoStart"), &autoStart);
    engine.rootContext()->setContextProperty(QStringLiteral("panelUrl"),
                                             QString::fromUtf8(PanelConfig::baseUrl));

    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/qml/VpnState.qml")), "MyApp", 1, 0,
                             "VpnState");

    const QUrl url(QStringLiteral("qrc:/qml/Main.qml"));
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreated, &app,
        [url](QObject *obj, const QUrl &objUrl) {
            if (!obj && url == objUrl)
                QCoreApplication::exit(-1);
        },
        Qt::QueuedConnection);
    engine.load(url);

    return app.exec();
}
