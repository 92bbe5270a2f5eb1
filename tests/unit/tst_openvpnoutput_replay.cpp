#include "OpenVpnOutput.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

// Replays what Debian's openvpn really printed for each profile against the demo servers
// (tests/data/openvpn-<profile>.log, recorded by tests/e2e/capture-output) through the
// output examiner, in reads of several sizes, as the manager receives it from the child.
class TestOpenVpnOutputReplay : public QObject
{
    Q_OBJECT

private:
    static QByteArray capture(const QString &profile)
    {
        QFile file(QFINDTESTDATA(QStringLiteral("../data/openvpn-%1.log").arg(profile)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The lines as the manager assembles them from reads of `chunkSize` bytes.
    static QStringList replay(const QByteArray &output, qsizetype chunkSize)
    {
        QByteArray pending;
        QStringList lines;
        for (qsizetype start = 0; start < output.size(); start += chunkSize) {
            pending.append(output.mid(start, chunkSize));
            lines += OpenVpnOutput::takeCompleteLines(pending);
        }
        const QString rest = OpenVpnOutput::takeRest(pending);
        if (!rest.isEmpty())
            lines.append(rest);
        return lines;
    }

    // The address that OpenVPN put on the tun device, from its own netlink trace line.
    static QString configuredAddress(const QByteArray &output)
    {
        static const QRegularExpression addressLine(
            QStringLiteral(R"(net_addr_v4_add: (\d+\.\d+\.\d+\.\d+)/\d+ dev tun)"));
        return addressLine.match(QString::fromUtf8(output)).captured(1);
    }

private slots:
    void replaysRealOutput_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<qsizetype>("chunkSize");
        const QStringList profiles = {QStringLiteral("default"), QStringLiteral("fastvpn"),
                                      QStringLiteral("goose"), QStringLiteral("pia"),
                                      QStringLiteral("surfshark")};
        for (const QString &profile : profiles) {
            for (qsizetype chunkSize :
                 {qsizetype(1), qsizetype(7), qsizetype(512), qsizetype(1 << 20)}) {
                QTest::addRow("%s, reads of %lld bytes", qPrintable(profile),
                              static_cast<long long>(chunkSize))
                    << profile << chunkSize;
            }
        }
    }

    void replaysRealOutput()
    {
        QFETCH(QString, profile);
        QFETCH(qsizetype, chunkSize);
        const QByteArray output = capture(profile);
        QVERIFY2(!output.isEmpty(), "capture missing");
        const QString expectedAddress = configuredAddress(output);
        QVERIFY(!expectedAddress.isEmpty());

        const QStringList lines = replay(output, chunkSize);
        QCOMPARE(lines.size(), output.count('\n') + (output.endsWith('\n') ? 0 : 1));

        int firstConnecting = -1;
        int lastConnecting = -1;
        int completion = -1;
        int completions = 0;
        int firstAddress = -1;
        QStringList addresses;
        for (int i = 0; i < lines.size(); ++i) {
            const OpenVpnOutput::Findings findings = OpenVpnOutput::examineLine(lines.at(i));
            if (findings.connectingMarker) {
                if (firstConnecting < 0)
                    firstConnecting = i;
                lastConnecting = i;
            }
            if (findings.completionMarker) {
                completion = i;
                ++completions;
            }
            if (!findings.privateIp.isEmpty()) {
                if (firstAddress < 0)
                    firstAddress = i;
                addresses.append(findings.privateIp);
            }
        }

        // OpenVPN announces its TCP attempt, then completes once; nothing after the
        // completion (the stop) looks like a new attempt.
        QVERIFY(firstConnecting >= 0);
        QCOMPARE(completions, 1);
        QVERIFY(lastConnecting < completion);

        // Every address found is the one really put on the device (never the server's
        // address, a gateway or a route), and it is known before the tunnel is reported up.
        QVERIFY(!addresses.isEmpty());
        QCOMPARE(addresses, QStringList(addresses.size(), expectedAddress));
        QVERIFY(firstAddress < completion);
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnOutputReplay)
#include "tst_openvpnoutput_replay.moc"
