#pragma once

#include <QObject>

#include "TestEnvironment.h"

class QQmlEngine;

// Prepares each Qt Quick test run like the program's entry point does: a temporary HOME,
// the application's identity, the demo CA, the native objects as context properties and
// the VpnState singleton, so that the documents load from the resource bundle as they do
// in the program.
class QmlTestSetup : public QObject
{
    Q_OBJECT

public:
    QmlTestSetup();

public slots:
    void applicationAvailable();
    void qmlEngineAvailable(QQmlEngine *engine);

private:
    TemporaryHome m_home;
};
