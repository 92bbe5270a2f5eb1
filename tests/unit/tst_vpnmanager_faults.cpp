// The manager against an OpenVPN that misbehaves: floods of output, control characters and
// invalid UTF-8, a line of megabytes without its line end, an exit at once, a crash right
// after the completion marker. After each, the flags are reset, no child is left and the
// memory the output took is bounded.
#include "TestEnvironment.h"
#include "VpnManager.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

// Counts the log instead of keeping it: a flood would otherwise fill the test's own memory.
class LogCounter
{
public:
    LogCounter() : m_previous(qInstallMessageHandler(&LogCounter::handle)) { s_active = this; }
    ~LogCounter()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

    int outputLines = 0;
    QStringList otherLines;

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        const bool output = message.startsWith(QLatin1String("[VPN STDOUT] "));
        if (output)
            ++s_active->outputLines;
        if (!output || message.startsWith(QLatin1String("[VPN STDOUT] PID ")))
            s_active->otherLines.append(message);
    }

    inline static LogCounter *s_active = nullptr;
    QtMessageHandler m_previous;
};

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1 where there is none.
qint64 memoryKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lets the peak (VmHWM) start again from the current size.
void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

#ifdef Q_OS_LINUX
// Whether the process has ended (gone, or a zombie that nobody has reaped yet).
bool processEnded(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

} // namespace

class TestVpnManagerFaults : public QObject
{
    Q_OBJECT

private:
    TemporaryHome m_home;

private slots:
    void outputFaultsEndInAResetWithoutChild_data()
    {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<bool>("connects");
        QTest::addColumn<int>("minOutputLines");
        const QByteArray completed = "out Initialization Sequence Completed\n";
        QTest::newRow("flood of 100000 lines")
            << "pid\nflood 100000 Attempting to establish TCP connection with "
               "[AF_INET]10.0.0.1:1194\n" +
                   completed + "exit 0"
            << true << 100001;
        QTest::newRow("control characters and invalid UTF-8")
            << "pid\nhex 1b5b33316d001b5d07080c0b0a\nhex c3ffc0afeda080f0288cbc0a\n"
               "hex 7075736820e280a8696663f66e66696720ff0a\n" +
                   completed + "hex 00ff0d0d0a\nexit 3"
            << true << 4;
        QTest::newRow("8 MB line without line end")
            << "pid\n" + completed + "long 8000000\nexit 0" << true << 2;
        QTest::newRow("exit at once") << QByteArray("pid\nexit 1") << false << 1;
        QTest::newRow("crash after the completion marker")
            << "pid\n" + completed + "crash" << true << 2;
    }

    void outputFaultsEndInAResetWithoutChild()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(bool, connects);
        QFETCH(int, minOutputLines);
        qputenv("OPENVPN_SIM_SCENARIO", scenario);
        LogCounter log;
        VpnManager manager;
        bool wasConnected = false;
        connect(&manager, &VpnManager::connectedChanged, this,
                [&] { wasConnected = wasConnected || manager.isConnected(); });
        const qint64 rssBefore = memoryKb("VmRSS");
        resetPeakMemory();

        manager.connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                           QStringLiteral("alice"), QStringLiteral("secret"));
        QTRY_VERIFY_WITH_TIMEOUT(log.otherLines.contains(QStringLiteral("[VPN] Process finished")),
                                 30000);
        const qint64 peakGrowthKb = memoryKb("VmHWM") - rssBefore;

        QCOMPARE(wasConnected, connects);
        QVERIFY(!manager.isConnected());
        QVERIFY(!manager.isConnecting());
        QVERIFY(!manager.isDisconnecting());
        QVERIFY(manager.isDisconnected());
        QVERIFY(manager.privateIp().isEmpty());
        QVERIFY2(log.outputLines >= minOutputLines, qPrintable(QString::number(log.outputLines)));
        // The simulator's first line: "PID <id>".
        const QStringList pidLines = log.otherLines.filter(QStringLiteral("[VPN STDOUT] PID "));
        QCOMPARE(pidLines.size(), 1);
        const qint64 pid = pidLines.constFirst().section(QLatin1Char(' '), 3).toLongLong();
        QVERIFY(pid > 0);
        QVERIFY(processIsGone(pid));
        std::printf("%s: peak memory growth %lld kB\n", QTest::currentDataTag(), peakGrowthKb);
        if (!sanitized && rssBefore > 0)
            QVERIFY2(peakGrowthKb < 64 * 1024, qPrintable(QString::number(peakGrowthKb)));
    }

#ifdef Q_OS_LINUX
    // A client killed while connected (no destructor runs) takes its OpenVPN child with it.
    // The test runs this function a second time in a child process that plays the client.
    void childEndsWithAKilledClient()
    {
        if (qEnvironmentVariableIsSet("CLIENTVPN_PLAY_CLIENT")) {
            qputenv("OPENVPN_SIM_SCENARIO", "pid\nout Initialization Sequence Completed\nwait");
            VpnManager manager;
            manager.connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                               QStringLiteral("alice"), QStringLiteral("secret"));
            QTRY_VERIFY(manager.isConnected());
            std::fprintf(stderr, "CLIENT READY\n");
            QTest::qWait(60000);
            return;
        }
        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CLIENTVPN_PLAY_CLIENT"), QStringLiteral("1"));
        client.setProcessEnvironment(environment);
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("childEndsWithAKilledClient")});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += client.readAll()).contains("CLIENT READY"), 10000);
        const QRegularExpressionMatch pid =
            QRegularExpression(QStringLiteral(R"(\[VPN STDOUT\] PID (\d+))"))
                .match(QString::fromUtf8(output));
        QVERIFY2(pid.hasMatch(), output.constData());
        const pid_t openVpnPid = pid.captured(1).toInt();
        QVERIFY(!processEnded(openVpnPid));

        ::kill(static_cast<pid_t>(client.processId()), SIGKILL);
        QVERIFY(client.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(processEnded(openVpnPid), 5000);
    }
#endif
};

QTEST_GUILESS_MAIN(TestVpnManagerFaults)
#include "tst_vpnmanager_faults.moc"
