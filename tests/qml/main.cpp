#include "QmlTestSetup.h"

#include <QtQuickTest>

QUICK_TEST_MAIN_WITH_SETUP(clientvpn_qml, QmlTestSetup)
