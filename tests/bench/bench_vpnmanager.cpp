#include "OpenVpnOutput.h"
#include "SessionFiles.h"
#include "TestEnvironment.h"
#include "VpnManager.h"

#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>

// The work that connectVpn does on the GUI thread, the background stop, and the examination of
// OpenVPN's output.
// The debug log is discarded while measuring, so that the figures show the manager's own
// work rather than the terminal's.
class BenchVpnManager : public QObject
{
    Q_OBJECT

private:
    static void discardLog(QtMsgType, const QMessageLogContext &, const QString &) {}

    static QByteArray capturedOutput()
    {
        return readFileBytes(
            QStringLiteral(CLIENTVPN_SOURCE_DIR "/tests/data/openvpn-default.log"));
    }

    // Logs the median and the slowest of the rounds' times and gives the median as the result.
    void report(const char *what, QList<qint64> nanoseconds)
    {
        std::sort(nanoseconds.begin(), nanoseconds.end());
        qInstallMessageHandler(m_previousHandler);
        qInfo("%s over %d rounds: median %.3f ms, slowest %.3f ms", what, int(nanoseconds.size()),
              nanoseconds.at(nanoseconds.size() / 2) / 1e6, nanoseconds.constLast() / 1e6);
        QTest::setBenchmarkResult(nanoseconds.at(nanoseconds.size() / 2),
                                  QTest::WalltimeNanoseconds);
    }

    // Connects to the bench's server with a profile of category `cat`.
    static void connectTo(VpnManager &manager, const QString &cat)
    {
        manager.connectVpn(QStringLiteral("203.0.113.7"), QString(), cat, QStringLiteral("alice"),
                           QStringLiteral("secret"));
    }

    TemporaryHome m_home;
    QtMessageHandler m_previousHandler = nullptr;

private slots:
    void init() { m_previousHandler = qInstallMessageHandler(discardLog); }
    void cleanup() { qInstallMessageHandler(m_previousHandler); }

    void composeAndWriteSession_data()
    {
        QTest::addColumn<QString>("cat");
        for (const char *cat : {"default", "surfshark"})
            QTest::newRow(cat) << QString::fromLatin1(cat);
    }

    // Steps of connectVpn from the profile on disk to the written session configuration.
    void composeAndWriteSession()
    {
        QFETCH(QString, cat);
        const auto prepare = [&] {
            return SessionFiles::prepare(QStringLiteral("203.0.113.7"), QStringLiteral("1194"), cat,
                                         QStringLiteral("alice"), QStringLiteral("secret"), false);
        };
        QVERIFY(!prepare().configPath.isEmpty()); // extracts the profile beside the executable
        QBENCHMARK
        {
            prepare();
        }
    }

    // connectVpn from call to return, OpenVPN's start included (the simulator, which ends at
    // once; the wait for its end is not measured).
    void connectVpnReturns()
    {
        qputenv("OPENVPN_SIM_SCENARIO", "exit 0");
        VpnManager manager;
        constexpr int rounds = 50;
        QList<qint64> nanoseconds;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            connectTo(manager, QStringLiteral("surfshark"));
            nanoseconds.append(timer.nsecsElapsed());
            QVERIFY(manager.isConnecting());
            QTRY_VERIFY(manager.isDisconnected());
        }
        report("connectVpn", nanoseconds);
    }

    // disconnectVpn from the call until the flags are reset, for a simulated OpenVPN that ends
    // on the polite request.
    void backgroundStop()
    {
        qputenv("OPENVPN_SIM_SCENARIO", "out Initialization Sequence Completed\nwait");
        VpnManager manager;
        constexpr int rounds = 5;
        QList<qint64> nanoseconds;
        for (int round = 0; round < rounds; ++round) {
            connectTo(manager, QStringLiteral("default"));
            QTRY_VERIFY(manager.isConnected());
            QEventLoop stopped;
            connect(&manager, &VpnManager::disconnectingChanged, &stopped, [&] {
                if (!manager.isDisconnecting())
                    stopped.quit();
            });
            QElapsedTimer timer;
            timer.start();
            manager.disconnectVpn();
            stopped.exec();
            nanoseconds.append(timer.nsecsElapsed());
        }
        report("background stop", nanoseconds);
    }

    // The lines of a real connection's output, one at a time.
    void examineLines()
    {
        const QStringList lines = QString::fromUtf8(capturedOutput()).split(QLatin1Char('\n'));
        QVERIFY(lines.size() > 20);
        int completions = 0;
        QBENCHMARK
        {
            completions = 0;
            for (const QString &line : lines)
                completions += OpenVpnOutput::examineLine(line).completionMarker;
        }
        QCOMPARE(completions, 1);
    }

    // The same output as it arrives from the child in reads of 512 bytes: joined into lines,
    // then examined.
    void joinAndExamineReads()
    {
        const QByteArray output = capturedOutput();
        QVERIFY(!output.isEmpty());
        QString privateIp;
        QBENCHMARK
        {
            QByteArray pending;
            for (qsizetype start = 0; start < output.size(); start += 512) {
                pending.append(output.mid(start, 512));
                for (const QString &line : OpenVpnOutput::takeCompleteLines(pending)) {
                    const QString found = OpenVpnOutput::examineLine(line).privateIp;
                    if (!found.isEmpty())
                        privateIp = found;
                }
            }
        }
        QCOMPARE(privateIp, QStringLiteral("10.8.0.2"));
    }
};

QTEST_GUILESS_MAIN(BenchVpnManager)
#include "bench_vpnmanager.moc"
