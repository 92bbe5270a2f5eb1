#include "DisplayState.h"

#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QByteArray valueOf(quint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

} // namespace

// The console's display turning off and on, as the platform announces it.
class TestDisplayState : public QObject
{
    Q_OBJECT

private slots:
    void reportOfASetting_data()
    {
        QTest::addColumn<QUuid>("setting");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("report");
        const QUuid display = DisplayState::consoleDisplayState;
        const auto none = int(DisplayState::Report::None);
        QTest::newRow("off") << display << valueOf(0) << int(DisplayState::Report::Off);
        QTest::newRow("on") << display << valueOf(1) << int(DisplayState::Report::On);
        QTest::newRow("dimmed") << display << valueOf(2) << int(DisplayState::Report::On);
        QTest::newRow("unknown value") << display << valueOf(3) << none;
        QTest::newRow("too short") << display << QByteArray(1, '\0') << none;
        QTest::newRow("another setting") << QUuid::createUuid() << valueOf(0) << none;
    }

    void reportOfASetting()
    {
        QFETCH(QUuid, setting);
        QFETCH(QByteArray, value);
        QFETCH(int, report);
        QCOMPARE(int(DisplayState::reportOf(setting, value)), report);
    }

    // Windows: the notification sent to the state's own window turns it off once, then on
    // again when dimmed; another setting's change says nothing.
    void notificationReachesTheState()
    {
#ifndef Q_OS_WIN
        QSKIP("Only Windows tells a program when the display turns off");
#else
        DisplayState state;
        QVERIFY(state.isWatched());
        const HWND window = FindWindowW(L"ClientVPNDisplayState", nullptr);
        QVERIFY(window);
        QSignalSpy off(&state, &DisplayState::turnedOff);
        QSignalSpy on(&state, &DisplayState::turnedOn);
        const auto send = [window](const QUuid &setting, quint32 value) {
            alignas(POWERBROADCAST_SETTING) char buffer[sizeof(POWERBROADCAST_SETTING) + 4] = {};
            auto *notification = reinterpret_cast<POWERBROADCAST_SETTING *>(buffer);
            notification->PowerSetting = setting;
            notification->DataLength = 4;
            qToLittleEndian(value, notification->Data);
            SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                         reinterpret_cast<LPARAM>(notification));
        };
        send(DisplayState::consoleDisplayState, 0);
        send(DisplayState::consoleDisplayState, 0);
        QCOMPARE(off.count(), 1);
        QVERIFY(!state.isOn());
        send(QUuid::createUuid(), 1);
        QCOMPARE(on.count(), 0);
        send(DisplayState::consoleDisplayState, 2);
        QCOMPARE(on.count(), 1);
        QVERIFY(state.isOn());
#endif
    }
};

QTEST_GUILESS_MAIN(TestDisplayState)
#include "tst_displaystate.moc"
