#include "OpenVpnOutput.h"

#include <QtTest>

class TestOpenVpnOutput : public QObject
{
    Q_OBJECT

private slots:
    void examinesOneLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("connecting");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("privateIp");
        QTest::newRow("TCP connection")
            << "TCP connection established with [AF_INET]10.0.0.1:1194" << true << false << "";
        QTest::newRow("attempt") << "Attempting to establish TCP connection with [AF_INET]x:1"
                                 << true << false << "";
        QTest::newRow("preserving")
            << "TCP/UDP: Preserving recently used remote address: [AF_INET]10.0.0.1:1194" << true
            << false << "";
        QTest::newRow("connecting markers are case-sensitive")
            << "tcp CONNECTION attempting to ESTABLISH" << false << false << "";
        QTest::newRow("completion")
            << "2026-01-01 10:00:00 Initialization Sequence Completed" << false << true << "";
        QTest::newRow("completion in lower case, with errors")
            << "initialization sequence completed With Errors" << false << true << "";
        QTest::newRow("address pushed by the server")
            << "PUSH: Received control message: 'PUSH_REPLY,route-gateway 10.8.0.1,topology "
               "subnet,ifconfig 10.8.0.2 255.255.255.0,peer-id 0'"
            << false << false << "10.8.0.2";
        QTest::newRow("ip addr add")
            << "/sbin/ip addr add dev tun0 local 10.8.0.6 peer 10.8.0.5" << false << false << "";
        QTest::newRow("ip addr add followed by the address")
            << "ip addr add 10.8.0.9/24 dev tun0" << false << false << "10.8.0.9";
        QTest::newRow("octets are not validated")
            << "ifconfig   999.1.2.3 255.255.255.0" << false << false << "999.1.2.3";
        QTest::newRow("first address in the line")
            << "ifconfig 10.8.0.2 x ifconfig 10.8.0.3" << false << false << "10.8.0.2";
        QTest::newRow("address put on the device")
            << "2026-12-07 04:34:49 net_addr_v4_add: 10.8.3.2/24 dev tun0" << false << false
            << "10.8.3.2";
        QTest::newRow("ifconfig before a device line in the same text")
            << "net_addr_v4_add: 10.8.0.7/24 ifconfig 10.8.0.2" << false << false << "10.8.0.2";
        QTest::newRow("address taken off the device")
            << "net_addr_v4_del: 10.8.3.2 dev tun0" << false << false << "";
        QTest::newRow("surrounding white space and CR")
            << "  Initialization Sequence Completed\r" << false << true << "";
        QTest::newRow("blank") << " \t\r" << false << false << "";
    }

    void examinesOneLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, connecting);
        QFETCH(bool, completed);
        QFETCH(QString, privateIp);
        const OpenVpnOutput::Findings findings = OpenVpnOutput::examineLine(line);
        QCOMPARE(findings.connectingMarker, connecting);
        QCOMPARE(findings.completionMarker, completed);
        QCOMPARE(findings.privateIp, privateIp);
    }

    void namesTheTunnelDevice_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("device");
        QTest::newRow("Linux") << "2026-01-01 10:00:00 TUN/TAP device tun0 opened"
                               << "tun0";
        QTest::newRow("Windows adapter") << "wintun device [OpenVPN Wintun] opened"
                                         << "OpenVPN Wintun";
        QTest::newRow("kept across a restart") << "Preserving previous TUN/TAP instance: tun0"
                                               << "";
    }

    void namesTheTunnelDevice()
    {
        QFETCH(QString, line);
        QFETCH(QString, device);
        QCOMPARE(OpenVpnOutput::examineLine(line).tunnelDevice, device);
    }

    void joinsLinesSplitOverReads()
    {
        QByteArray pending;
        pending += "first\r\nInitialization Seq";
        QCOMPARE(OpenVpnOutput::takeCompleteLines(pending), QStringList{"first\r"});
        pending += "uence Completed\n\nifconfig 10.8.0.2 \xc3";
        QCOMPARE(OpenVpnOutput::takeCompleteLines(pending),
                 QStringList({"Initialization Sequence Completed", ""}));
        // A character whose UTF-8 bytes arrive in two reads is decoded whole.
        pending += "\xa9";
        QCOMPARE(OpenVpnOutput::takeCompleteLines(pending), QStringList());
        QCOMPARE(OpenVpnOutput::takeRest(pending), QStringLiteral("ifconfig 10.8.0.2 é"));
        QVERIFY(pending.isEmpty());
    }

    void overlongLineIsNotHeldBack()
    {
        QByteArray pending(100, 'x');
        QCOMPARE(OpenVpnOutput::takeCompleteLines(pending, 64), QStringList{QString(100, 'x')});
        QVERIFY(pending.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnOutput)
#include "tst_openvpnoutput.moc"
