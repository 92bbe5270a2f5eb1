#include "NetworkWatcher.h"

#include <QSignalSpy>
#include <QtTest>

using Change = NetworkWatcher::Change;

Q_DECLARE_METATYPE(Change)

namespace {

Change address(const char *interfaceName, const char *text, bool removed = false)
{
    return {Change::Kind::Address, removed, interfaceName, 0, QHostAddress(text)};
}

Change route(const char *interfaceName, int prefixLength, bool removed = false)
{
    return {Change::Kind::Route, removed, interfaceName, 0, {}, false, prefixLength};
}

} // namespace

class TestNetworkWatcher : public QObject
{
    Q_OBJECT

private slots:
    // Which changes can break a tunnel through tun0, with 192.168.1.20 already on eth0.
    void countingChanges_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("counts");
        Change temporary = address("wlan0", "2001:db8::5e1:77a2");
        temporary.temporary = true;
        QTest::newRow("new address on another interface")
            << address("wlan0", "2001:db8::20") << true;
        QTest::newRow("address taken away") << address("eth0", "192.168.1.20", true) << true;
        QTest::newRow("known address announced again") << address("eth0", "192.168.1.20") << false;
        QTest::newRow("tunnel's own address") << address("tun0", "10.8.0.2") << false;
        QTest::newRow("link-local address")
            << address("eth1", "fe80::1c2d:3eff:fe4f:5a6b") << false;
        QTest::newRow("temporary IPv6 address") << temporary << false;
        QTest::newRow("loopback address") << address("lo", "127.0.0.2") << false;
        QTest::newRow("default route added") << route("eth0", 0) << true;
        QTest::newRow("default route taken away alone") << route("eth0", 0, true) << false;
        QTest::newRow("default route through the tunnel") << route("tun0", 0) << false;
        QTest::newRow("host route to the server") << route("eth0", 32) << false;
        QTest::newRow("resume from sleep") << Change() << true;
    }

    void countingChanges()
    {
        QFETCH(Change, change);
        QFETCH(bool, counts);
        const QSet<QString> known = {
            NetworkWatcher::addressKey(QStringLiteral("eth0"), QHostAddress("192.168.1.20"))};
        QCOMPARE(NetworkWatcher::counts(change, QStringLiteral("tun0"), known), counts);
    }

    // A burst makes one notification once quiet; the tunnel's device named after its changes
    // arrived still keeps them from counting; an address seen in a burst is known after it.
    void burstMakesOneNotification()
    {
        NetworkWatcher watcher;
        QSignalSpy changed(&watcher, &NetworkWatcher::networkChanged);
        watcher.start();

        watcher.note(address("veth9", "192.0.2.10", true));
        QTest::qWait(500);
        watcher.note(address("veth9", "192.0.2.11"));
        watcher.note(route("veth9", 0));
        QTest::qWait(700);
        QCOMPARE(changed.size(), 0);
        QTRY_COMPARE(changed.size(), 1);

        watcher.note(address("tun7", "10.8.0.2"));
        watcher.setTunnelDevice(QStringLiteral("tun7"));
        watcher.note(address("veth9", "192.0.2.11"));
        QTest::qWait(1500);
        QCOMPARE(changed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNetworkWatcher)
#include "tst_networkwatcher.moc"
