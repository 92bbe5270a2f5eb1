#include "OpenVpnProgram.h"
#include "SessionFiles.h"
#include "TestEnvironment.h"
#include "VpnManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

// Every notification of a manager, with the value it announces, in the order sent.
class FlagRecorder : public QObject
{
public:
    explicit FlagRecorder(VpnManager *manager)
    {
        const auto record = [this](const char *name, auto value) {
            return [this, name, value] { events.append(QLatin1String(name) + '=' + value()); };
        };
        const auto flag = [](bool value) {
            return value ? QStringLiteral("true") : QStringLiteral("false");
        };
        connect(manager, &VpnManager::connectedChanged, this,
                record("connected", [=] { return flag(manager->isConnected()); }));
        connect(manager, &VpnManager::connectingChanged, this,
                record("connecting", [=] { return flag(manager->isConnecting()); }));
        connect(manager, &VpnManager::disconnectingChanged, this,
                record("disconnecting", [=] { return flag(manager->isDisconnecting()); }));
        connect(manager, &VpnManager::disconnectedChanged, this,
                record("disconnected", [=] { return flag(manager->isDisconnected()); }));
        connect(manager, &VpnManager::privateIpChanged, this,
                record("privateIp", [=] { return manager->privateIp(); }));
    }

    QStringList events;
};

const QStringList entryStep = {"disconnecting=false", "disconnected=false"};
const QStringList reset = {"connected=false", "connecting=false", "disconnecting=false",
                           "disconnected=true", "privateIp="};

// How many resets `events` consists of, or -1 when it is anything else.
int countResets(const QStringList &events)
{
    if (events.size() % reset.size() != 0)
        return -1;
    for (qsizetype i = 0; i < events.size(); i += reset.size()) {
        if (events.mid(i, reset.size()) != reset)
            return -1;
    }
    return int(events.size() / reset.size());
}

const QString settingsUnusable = QStringLiteral("This server's settings could not be used.");
const QString unreachable = QStringLiteral("The server could not be reached.");
const QString lost = QStringLiteral("The connection was lost.");

#ifdef Q_OS_WIN
const char openVpnProgram[] = "openvpn.exe";
#else
const char openVpnProgram[] = "openvpn";
#endif

const char connectedScenario[] = "out Attempting to establish TCP connection with "
                                 "[AF_INET]127.0.0.1:1194\n"
                                 "out Initialization Sequence Completed\n"
                                 "wait";

} // namespace

class TestVpnManager : public QObject
{
    Q_OBJECT

private:
    static void setScenario(const QByteArray &steps) { qputenv("OPENVPN_SIM_SCENARIO", steps); }

    static QString sessionPath()
    {
        return SessionFiles::folder() + QStringLiteral("/vpn_session.ovpn");
    }

    static QString managementPasswordPath()
    {
        return SessionFiles::folder() + QStringLiteral("/vpn_management.txt");
    }

    // The files in the temporary directory and its folders, one line each: none once a child
    // has ended.
    static QString leftInTemporaryDirectory()
    {
        const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        QStringList files;
        QDirIterator it(temp, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(QDir(temp).relativeFilePath(it.next()));
        return files.join(QLatin1Char('\n'));
    }

    static QString appPath(const QString &name)
    {
        return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    }

    // A file, a link or a folder with all it holds.
    static void removeEntry(const QFileInfo &entry)
    {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }

    // Removes what connections leave beside the executable and in the temporary directory.
    static void removeSessionFiles()
    {
        QDir appDir(QCoreApplication::applicationDirPath());
        const QFileInfoList entries =
            appDir.entryInfoList({"*.ovpn", "auth*.txt"}, QDir::AllEntries | QDir::System |
                                                              QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries)
            removeEntry(entry);
        removeEntry(QFileInfo(sessionPath()));
    }

    // Connects with the simulator following `scenario` and waits until it reports the tunnel.
    void connectAndWait(const QByteArray &scenario)
    {
        setScenario(scenario);
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("secret"));
        QTRY_VERIFY(m_manager->isConnected());
    }

    // The manager tells the user `sentence`, and logs it once; an empty one: nothing failed.
    void verifyFailure(const QString &sentence)
    {
        QCOMPARE(m_manager->lastError(), sentence);
        const QStringList failures = logged().matching(QStringLiteral("[VPN] Failure:"));
        QCOMPARE(failures,
                 sentence.isEmpty() ? QStringList() : QStringList{"[VPN] Failure: " + sentence});
    }

    void verifyAbandonedAfterEntryStep(const QString &sentence = settingsUnusable)
    {
        verifyFailure(sentence);
        QCOMPARE(m_recorder->events, entryStep);
        QVERIFY(!m_manager->isConnected());
        QVERIFY(!m_manager->isConnecting());
        QVERIFY(!m_manager->isDisconnecting());
        QVERIFY(!m_manager->isDisconnected());
        QVERIFY(logged().matching(QStringLiteral("[VPN] Starting OpenVPN")).isEmpty());
    }

    LogCapture &logged() { return *m_logCapture; }

    // How many lines of the log start with `start` and hold `part`.
    qsizetype countLogged(const QString &start, const QString &part = QString())
    {
        return logged().matching(start).filter(part).size();
    }

    TemporaryHome m_home;
    // Created for each test: the test framework installs its own log handler when it starts.
    std::unique_ptr<LogCapture> m_logCapture;
    std::unique_ptr<VpnManager> m_manager;
    std::unique_ptr<FlagRecorder> m_recorder;

private slots:
    void init()
    {
        removeSessionFiles();
        m_logCapture = std::make_unique<LogCapture>();
        m_manager = std::make_unique<VpnManager>();
        m_recorder = std::make_unique<FlagRecorder>(m_manager.get());
    }

    void cleanup()
    {
        if (m_manager)
            m_manager->syncDisconnectVpn();
        m_recorder.reset();
        m_manager.reset();
        m_logCapture.reset();
        removeSessionFiles();
    }

    void ordinaryConnectionAnnouncesInOrder()
    {
        setScenario("args\n"
                    "out TCP/UDP: Preserving recently used remote address: [AF_INET]10.0.0.1:1194\n"
                    "out Attempting to establish TCP connection with [AF_INET]10.0.0.1:1194\n"
                    "out PUSH: Received control message: 'PUSH_REPLY,route-gateway 10.8.0.1,"
                    "ifconfig 10.8.0.2 255.255.255.0'\n"
                    "out Initialization Sequence Completed\n"
                    "wait");
        m_manager->connectVpn(QStringLiteral("10.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("secret"));

        QCOMPARE(m_recorder->events, entryStep + QStringList({"connecting=true"}));
        QTRY_VERIFY(m_manager->isConnected());
        const QStringList announced = {"connecting=true", "privateIp=10.8.0.2", "connected=true",
                                       "connecting=false"};
        QCOMPARE(m_recorder->events, entryStep + announced);
        QVERIFY(!m_manager->isConnecting());
        QVERIFY(!m_manager->isDisconnected());
        QCOMPARE(m_manager->privateIp(), QStringLiteral("10.8.0.2"));

        QVERIFY(logged().contains(QStringLiteral("[VPN STDOUT] ARGS --config ") + sessionPath()));
        // Markers seen while connecting is already raised only log.
        QVERIFY(!logged().contains(QStringLiteral("[VPN] Connecting...")));
        const QStringList vpnLines = logged().matching(QStringLiteral("[VPN] "));
        const QStringList expectedOrder = {
            QStringLiteral("[VPN] Starting OpenVPN with config: \"%1\"").arg(sessionPath()),
            QStringLiteral("[VPN] Process started"),
            QStringLiteral("[VPN] Private IP: \"10.8.0.2\""), QStringLiteral("[VPN] Connected.")};
        qsizetype previous = -1;
        for (const QString &line : expectedOrder) {
            const qsizetype at = vpnLines.indexOf(line);
            QVERIFY2(at > previous, qPrintable(line));
            previous = at;
        }
    }

    void synchronousStopAnnouncesDisconnectingThenResets()
    {
        connectAndWait(connectedScenario);
        m_recorder->events.clear();

        m_manager->syncDisconnectVpn();

        QCOMPARE(m_recorder->events.value(0), QStringLiteral("disconnecting=true"));
        // The end handlers' resets during the wait, then the stop's own.
        QVERIFY(countResets(m_recorder->events.mid(1)) >= 2);
        QVERIFY(m_manager->isDisconnected());
        QVERIFY(m_manager->privateIp().isEmpty());
        QVERIFY(logged().contains(QStringLiteral("[VPN] Process finished")));
        QCOMPARE(logged().matching(QStringLiteral("[VPN] ")).constLast(),
                 QStringLiteral("[VPN] Disconnected."));
    }

    void stopsWithoutChildOnlyLog()
    {
        m_manager->disconnectVpn();
        m_manager->syncDisconnectVpn();
        QCOMPARE(logged().matching(QStringLiteral("[VPN]")),
                 QStringList({"[VPN] Not running", "[VPN] Not running"}));
        QVERIFY(m_recorder->events.isEmpty());
    }

    void reestablishingLiveTunnel()
    {
        connectAndWait("out Initialization Sequence Completed\n"
                       "out ifconfig 10.8.0.6 255.255.255.0\n"
                       "sleep 1500\n"
                       "out Attempting to establish TCP connection with [AF_INET]127.0.0.1:1194\n"
                       "sleep 1500\n"
                       "out ifconfig 10.8.0.6 255.255.255.0\n"
                       "out Initialization Sequence Completed\n"
                       "wait");
        QTRY_COMPARE(m_manager->privateIp(), QStringLiteral("10.8.0.6"));
        m_recorder->events.clear();

        QTRY_VERIFY(m_manager->isConnecting());
        QVERIFY(m_manager->isConnected());
        QVERIFY(logged().contains(QStringLiteral("[VPN] Connecting...")));
        QTRY_VERIFY(!m_manager->isConnecting());
        QCOMPARE(m_recorder->events,
                 QStringList({"connecting=true", "connected=true", "connecting=false"}));
        QCOMPARE(m_manager->privateIp(), QStringLiteral("10.8.0.6"));
    }

    void completionMarker_data()
    {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<bool>("connects");
        QTest::newRow("split over two reads") << QByteArray("part Initialization Seq\n"
                                                            "sleep 300\n"
                                                            "out uence Completed\n"
                                                            "wait")
                                              << true;
        QTest::newRow("CR LF line end")
            << QByteArray("out Initialization Sequence Completed\r\nwait") << true;
        QTest::newRow("lower case, with errors")
            << QByteArray("out initialization sequence completed with errors\nwait") << true;
        QTest::newRow("last line without line end")
            << QByteArray("part Initialization Sequence Completed\nexit 0") << true;
        QTest::newRow("on the error channel")
            << QByteArray("err Initialization Sequence Completed\nwait") << false;
    }

    void completionMarker()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(bool, connects);
        setScenario(scenario);
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QStringLiteral("1194"),
                              QStringLiteral("default"), QStringLiteral("alice"),
                              QStringLiteral("pw"));

        QTRY_VERIFY(!logged().matching(QStringLiteral("[VPN STD")).isEmpty());
        if (connects)
            QTRY_VERIFY(logged().contains(QStringLiteral("[VPN] Connected.")));
        else
            QTest::qWait(400);
        QCOMPARE(m_recorder->events.contains(QStringLiteral("connected=true")), connects);
        QCOMPARE(logged().contains(QStringLiteral("[VPN] Connected.")), connects);
        const QStringList output = logged().matching(QStringLiteral("[VPN STD"));
        QCOMPARE(output.size(), 1);
        QVERIFY(!output.constFirst().contains(QLatin1Char('\r')));
        QVERIFY(output.constFirst().endsWith(QStringLiteral("ompleted"), Qt::CaseInsensitive) ||
                output.constFirst().endsWith(QStringLiteral("with errors")));
    }

    void childEndingByItselfResets_data()
    {
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QString>("error");
        QTest::newRow("exit code") << QByteArray("exit 1") << 1 << QString();
        QTest::newRow("crash") << QByteArray("crash") << 2
                               << QStringLiteral("[VPN] Process error: QProcess::Crashed");
    }

    void childEndingByItselfResets()
    {
        QFETCH(QByteArray, ending);
        QFETCH(int, resets);
        QFETCH(QString, error);
        connectAndWait("out Initialization Sequence Completed\n"
                       "out ifconfig 10.8.0.2 255.255.255.0\n"
                       "sleep 1500\n" +
                       ending);
        QTRY_VERIFY(logged().contains(QStringLiteral("[VPN] Process finished")));
        const qsizetype addressed = m_recorder->events.indexOf("privateIp=10.8.0.2");
        QVERIFY(addressed > 0);
        QCOMPARE(countResets(m_recorder->events.mid(addressed + 1)), resets);
        QVERIFY(m_manager->isDisconnected());
        QVERIFY(m_manager->privateIp().isEmpty());
        QCOMPARE(logged().contains(error), !error.isEmpty());
        QCOMPARE(leftInTemporaryDirectory(), QString());
        verifyFailure(lost);
    }

    // An OpenVPN program that is there but cannot be executed.
    void childThatFailsToStartResetsOnce()
    {
        const QString program = appPath(QLatin1String(openVpnProgram));
        const FileSetAside notAProgram(program, "not a program\n");
        QVERIFY(notAProgram.isDone());

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        QTRY_VERIFY(m_manager->isDisconnected());
        QTest::qWait(200);

        QCOMPARE(m_recorder->events.mid(0, 3), entryStep + QStringList({"connecting=true"}));
        QCOMPARE(countResets(m_recorder->events.mid(3)), 1);
        QVERIFY(logged().contains(QStringLiteral("[VPN] Process error: QProcess::FailedToStart")));
        QVERIFY(!logged().contains(QStringLiteral("[VPN] Process finished")));
        QVERIFY(logged().contains(
            QStringLiteral("[VPN] Cannot start OpenVPN at: \"%1\"").arg(program)));
        QVERIFY(logged().contains(QStringLiteral("[VPN] Using OpenVPN at: \"%1\"").arg(program)));
        QCOMPARE(leftInTemporaryDirectory(), QString());
        verifyFailure(QStringLiteral("OpenVPN could not be started."));
    }

    // Nothing beside the program and none installed: nothing is written or started.
    void programNotInstalled()
    {
        const QString program = appPath(QLatin1String(openVpnProgram));
        const FileSetAside missing(program);
        QVERIFY(missing.isDone());
        if (!OpenVpnProgram::find().isEmpty())
            QSKIP("An OpenVPN is installed on this machine");

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        verifyAbandonedAfterEntryStep(QStringLiteral("OpenVPN is not installed."));
        QVERIFY(logged().contains("[VPN] OpenVPN is not installed; looked at: " +
                                  OpenVpnProgram::placesHere().join(QStringLiteral(", "))));
        QVERIFY(!QFile::exists(sessionPath()));
    }

    void abandonedStart_data()
    {
        QTest::addColumn<QString>("cat");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("obstacle"); // "link:<path>" (dangling) or "dir:<path>"
        QTest::addColumn<QString>("warning");
        const QString app = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
        // A dangling symbolic link needs privileges there: a folder blocks the file instead.
        const QString blocked = QStringLiteral("dir:");
#else
        const QString blocked = QStringLiteral("link:");
#endif
        QTest::newRow("no profile of that category")
            << "nosuch"
            << "alice" << QString() << "[VPN] Cannot open resource file: \"nosuch\"";
        QTest::newRow("empty category")
            << ""
            << "alice" << QString() << "[VPN] Cannot open resource file: \"\"";
#ifndef Q_OS_WIN
        // A folder in its place counts as an existing copy: only a dangling link blocks it.
        QTest::newRow("profile copy cannot be written") << "default"
                                                        << "alice"
                                                        << "link:" + app + "/default.ovpn"
                                                        << "[VPN] Failed to write \"default\"";
#endif
        QTest::newRow("default user without auth.txt")
            << "default"
            << " DeFault " << QString() << "[VPN] auth.txt not found at: \"" + app + "/auth.txt\"";
        QTest::newRow("per-user file cannot be written")
            << "default"
            << "alice" << blocked + app + "/auth_alice.txt"
            << "[VPN] Cannot create auth file: \"" + app + "/auth_alice.txt\"";
        QTest::newRow("profile cannot be read") << "goose"
                                                << "alice"
                                                << "dir:" + app + "/goose.ovpn"
                                                << "[VPN] Failed to open base config";
        QTest::newRow("session file cannot be written")
            << "default"
            << "alice" << blocked + sessionPath() << "[VPN] Failed to create session config file";
    }

    void abandonedStart()
    {
        QFETCH(QString, cat);
        QFETCH(QString, user);
        QFETCH(QString, obstacle);
        QFETCH(QString, warning);
        const QString obstaclePath = obstacle.section(QLatin1Char(':'), 1);
        if (obstacle.startsWith(QLatin1String("link:")))
            QVERIFY(QFile::link(QStringLiteral("/nonexistent-clientvpn-dir/file"), obstaclePath));
        else if (obstacle.startsWith(QLatin1String("dir:")))
            QVERIFY(QDir().mkpath(obstaclePath));

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), cat, user,
                              QStringLiteral("pw"));

        QVERIFY2(logged().contains(warning), qPrintable(logged().lines().join('\n')));
        verifyAbandonedAfterEntryStep();
        removeEntry(QFileInfo(obstaclePath));
    }

    void unusableDirectoryValuesAreRefused_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("cat");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("field");
        const QString h = QStringLiteral("10.0.0.1");
        const QString p = QStringLiteral("1194");
        const QString c = QStringLiteral("default");
        const QString u = QStringLiteral("alice");
        const QString pw = QStringLiteral("pw");
        QTest::newRow("directive after the host")
            << "10.0.0.1 1194\nscript-security 2\nup /bin/sh" << p << c << u << pw << "host";
        QTest::newRow("directive after the port")
            << h << "1194\nup /bin/sh" << c << u << pw << "port";
        QTest::newRow("category leaving the folder")
            << h << p << "../default" << u << pw << "category";
        QTest::newRow("category in a subfolder")
            << h << p << "sub/default" << u << pw << "category";
        QTest::newRow("user leaving the folder") << h << p << c << "../../tmp/x" << pw << "user";
        QTest::newRow("user with a line break") << h << p << c << "alice\nbob" << pw << "user";
        QTest::newRow("password with a line break") << h << p << c << u << "pw\nroot"
                                                    << "password";
    }

    void unusableDirectoryValuesAreRefused()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, cat);
        QFETCH(QString, user);
        QFETCH(QString, pass);
        QFETCH(QString, field);
        QDir appDir(QCoreApplication::applicationDirPath());
        const QStringList filesBefore = appDir.entryList(QDir::Files);

        m_manager->connectVpn(host, port, cat, user, pass);

        QVERIFY(logged().contains(
            QStringLiteral("[VPN] Refusing to connect: the server's %1 is not usable").arg(field)));
        verifyAbandonedAfterEntryStep();
        QCOMPARE(appDir.entryList(QDir::Files), filesBefore);
        QVERIFY(!QFile::exists(sessionPath()));
    }

    void profileIsExtractedOnlyOnce()
    {
        setScenario("exit 0");
        const QString workingCopy = appPath(QStringLiteral("default.ovpn"));
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        QCOMPARE(readFileBytes(workingCopy),
                 readFileBytes(QStringLiteral(":/ovpnfile/default.ovpn")));
        QVERIFY(logged().contains(
            QStringLiteral("[VPN] Extracted \"default\" to: \"%1\"").arg(workingCopy)));
        QTRY_VERIFY(m_manager->isDisconnected());

        QFile file(workingCopy);
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n# edited by hand\n");
        file.close();
        logged().clear();
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));

        QVERIFY(logged().matching(QStringLiteral("[VPN] Extracted")).isEmpty());
        QVERIFY(readFileBytes(sessionPath(), QIODevice::Text).contains("\n# edited by hand\n"));
    }

    void credentialsFiles_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("authFile");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("per-user file") << "alice"
                                       << "auth_alice.txt" << textModeBytes("alice\nserver-pw\n");
        QTest::newRow("user name verbatim")
            << " Bob Smith"
            << "auth_ Bob Smith.txt" << textModeBytes(" Bob Smith\nserver-pw\n");
        QTest::newRow("default user") << " DEFAULT "
                                      << "auth.txt" << QByteArray("account\naccount-pw\n");
    }

    void credentialsFiles()
    {
        QFETCH(QString, user);
        QFETCH(QString, authFile);
        QFETCH(QByteArray, content);
        const QString authPath = appPath(authFile);
        QFile stale(authPath);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(authFile == QLatin1String("auth.txt") ? "account\naccount-pw\n"
                                                          : "stale\nold password\n");
        stale.close();
        setScenario("exit 0");

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              user, QStringLiteral("server-pw"));

        QCOMPARE(readFileBytes(authPath), content);
        QCOMPARE(QDir(QCoreApplication::applicationDirPath())
                     .entryList({QStringLiteral("auth*.txt")}, QDir::Files),
                 QStringList{authFile});
#ifdef Q_OS_UNIX
        if (authFile != QLatin1String("auth.txt")) {
            QCOMPARE(QFile::permissions(authPath) & 0x0077, QFileDevice::Permissions());
            QVERIFY(logged().contains(
                QStringLiteral("[VPN] Created user-specific auth file: \"%1\"").arg(authPath)));
        }
#endif
        const QByteArray session = readFileBytes(sessionPath(), QIODevice::Text);
        QCOMPARE(session.count("auth-user-pass"), 1);
        QVERIFY(session.contains("\nauth-user-pass \"" + authPath.toUtf8() + "\"\n"));
        QVERIFY(session.contains("\nremote 127.0.0.1 1194\n"));
    }

    void profileWithCrLfLinesIsReadBack()
    {
        const QString profile = appPath(QStringLiteral("crlf.ovpn"));
        QVERIFY(writeFileBytes(
            profile, "client\r\nremote 127.0.0.1 1194 tcp\r\nauth-user-pass\r\nverb 3\r\n"));
        setScenario("exit 0");

        m_manager->connectVpn(QStringLiteral("192.0.2.10"), QStringLiteral(" 443 "),
                              QStringLiteral("crlf"), QStringLiteral("alice"),
                              QStringLiteral("pw"));

        const auto literally = [](const QByteArray &text) {
            return QRegularExpression::escape(QString::fromUtf8(textModeBytes(text)));
        };
        const QRegularExpression composed(QRegularExpression::anchoredPattern(
            literally("client\nremote 192.0.2.10  443  tcp\nauth-user-pass \"" +
                      appPath(QStringLiteral("auth_alice.txt")).toUtf8() +
                      "\"\nverb 3\nmanagement 127.0.0.1 ") +
            QStringLiteral("[0-9]+ ") +
            literally('"' + managementPasswordPath().toUtf8() + "\"\n")));
        QVERIFY(composed.match(QString::fromUtf8(readFileBytes(sessionPath()))).hasMatch());
    }

    // Each attempt opens the management interface with a new password, in a file that, like
    // the configuration, only its owner can read, and that goes with it once OpenVPN has ended.
    void managementPasswordPerAttempt()
    {
        QByteArrayList passwords;
        for (int attempt = 0; attempt < 2; ++attempt) {
            connectAndWait(connectedScenario);
            passwords.append(readFileBytes(managementPasswordPath()));
            QCOMPARE(passwords.constLast().size(), 33);
            QVERIFY(passwords.constLast().endsWith('\n'));
#ifdef Q_OS_UNIX
            for (const QString &path : {sessionPath(), managementPasswordPath()})
                QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
#endif
            m_manager->syncDisconnectVpn();
            QCOMPARE(leftInTemporaryDirectory(), QString());
        }
        QVERIFY(passwords.constFirst() != passwords.constLast());
    }

    // The whole composed configuration follows the message as the stream's second part, one
    // blank after it.
    void loggedConfigurationIsTheComposedOne()
    {
        setScenario("exit 0");
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));

        QFile session(sessionPath());
        QVERIFY(session.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(logged().matching(QStringLiteral("[VPN] Final config content:")),
                 QStringList{QStringLiteral("[VPN] Final config content:\n ") +
                             QString::fromUtf8(session.readAll())});
    }

    void loggedConfigurationHidesKeyMaterial()
    {
        const QByteArray resource = readFileBytes(QStringLiteral(":/ovpnfile/surfshark.ovpn"));
        const QByteArray keyLine = resource.split('\n').value(
            resource.split('\n').indexOf("-----BEGIN OpenVPN Static key V1-----") + 1);
        QVERIFY(!keyLine.isEmpty());
        setScenario("exit 0");

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("surfshark"),
                              QStringLiteral("alice"), QStringLiteral("pw"));

        const QStringList configs =
            logged().matching(QStringLiteral("[VPN] Final config content:\n"));
        QCOMPARE(configs.size(), 1);
        QVERIFY(!configs.constFirst().contains(QString::fromLatin1(keyLine)));
        QVERIFY(configs.constFirst().contains(QStringLiteral("<tls-auth>\n[hidden]\n</tls-auth>")));
        QVERIFY(configs.constFirst().contains(QStringLiteral("-----BEGIN CERTIFICATE-----")));
        QVERIFY(configs.constFirst().contains(QStringLiteral("\nremote 127.0.0.1 1194\n")));
        QVERIFY(readFileBytes(sessionPath()).contains(keyLine));
    }

    // The polite request goes over the management interface; where that cannot take it, as
    // the termination signal, which a console program on Windows never hears.
    void backgroundStop_data()
    {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<bool>("fallsBack");
        QTest::addColumn<bool>("graceful");
#ifdef Q_OS_WIN
        const bool signalHeard = false;
#else
        const bool signalHeard = true;
#endif
        QTest::newRow("ends on the polite request") << QByteArray() << false << true;
        QTest::newRow("ignores the polite request")
            << QByteArray("ignore-term\n") << false << false;
        QTest::newRow("management interface closed")
            << QByteArray("management off\n") << true << signalHeard;
        QTest::newRow("management interface refuses the password")
            << QByteArray("management refuse\n") << true << signalHeard;
    }

    void backgroundStop()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(bool, fallsBack);
        QFETCH(bool, graceful);
        connectAndWait(scenario + connectedScenario);
        m_recorder->events.clear();
        logged().clear();

        m_manager->disconnectVpn();
        QCOMPARE(m_recorder->events, QStringList{"disconnecting=true"});
        QVERIFY(m_manager->isConnected());

        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        m_manager->disconnectVpn();
        QVERIFY(logged().contains(QStringLiteral("[VPN] Already running")));
        QCOMPARE(countLogged(QStringLiteral("[VPN] Sending terminate signal...")), 1);
        QCOMPARE(m_recorder->events, QStringList{"disconnecting=true"});

        if (!graceful) {
            QTest::qWait(4500);
            QVERIFY(
                !logged().contains(QStringLiteral("[VPN] Still running, killing forcefully...")));
            QCOMPARE(m_recorder->events, QStringList{"disconnecting=true"});
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            logged().contains(QStringLiteral("[VPN] Disconnected (via thread monitor).")), 15000);

        QCOMPARE(logged().contains(QStringLiteral("[VPN] Still running, killing forcefully...")),
                 !graceful);
        QCOMPARE(logged().contains(QStringLiteral("[VPN] Terminated gracefully")), graceful);
        QCOMPARE(countLogged(QStringLiteral("[VPN] The management interface did not take")),
                 fallsBack ? 1 : 0);
        QCOMPARE(m_recorder->events.value(0), QStringLiteral("disconnecting=true"));
        QVERIFY(countResets(m_recorder->events.mid(1)) >= 2);
        QVERIFY(m_manager->isDisconnected());
        QCOMPARE(logged().matching(QStringLiteral("[VPN] ")).constLast(),
                 QStringLiteral("[VPN] Disconnected (via thread monitor)."));
        verifyFailure(QString());
    }

    // `bound` is the attempt's bound (0: none); the other value, set once the attempt has
    // started, is for the next attempt only. `state`: where the attempt settles. The bound
    // leaves seconds for the simulator to start, also under Wine on a loaded machine.
    void connectingIsBounded_data()
    {
        QTest::addColumn<int>("bound");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("failure");
        const int bound = 3000;
        const QByteArray neverCompletes(
            "out Attempting to establish TCP connection with [AF_INET]10.0.0.1:1\nwait");
        QTest::newRow("never completes")
            << bound << neverCompletes << "disconnected" << unreachable;
        QTest::newRow("re-establishing never completes")
            << bound
            << QByteArray("out Initialization Sequence Completed\nsleep 100\n") + neverCompletes
            << "disconnected" << lost;
        QTest::newRow("completes in time")
            << bound << QByteArray("sleep 100\nout Initialization Sequence Completed\nwait")
            << "connected" << QString();
        QTest::newRow("no bound") << 0 << neverCompletes << "connecting" << QString();
    }

    void connectingIsBounded()
    {
        QFETCH(int, bound);
        QFETCH(QByteArray, scenario);
        QFETCH(QString, state);
        QFETCH(QString, failure);
        const bool stopped = state == QLatin1String("disconnected");
        const int later = 400;
        m_manager->setConnectTimeoutMs(bound);
        setScenario(scenario);
        QElapsedTimer sinceStart;
        sinceStart.start();
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        m_manager->setConnectTimeoutMs(bound > 0 ? 0 : later); // applies from the next attempt on

        // A stop is awaited; an attempt that goes on is watched past any bound that could end it.
        if (stopped)
            QTRY_VERIFY_WITH_TIMEOUT(
                logged().contains(QStringLiteral("[VPN] Disconnected (via thread monitor).")),
                bound + 15000);
        else
            QTest::qWait(int(std::max(bound, later) + 1000 - sinceStart.elapsed()));
        QCOMPARE(logged().contains(
                     QStringLiteral("[VPN] Connection attempt not completed within %1 ms, stopping")
                         .arg(bound)),
                 stopped);
        QCOMPARE(logged().contains(QStringLiteral("[VPN] Disconnected (via thread monitor).")),
                 stopped);
        QCOMPARE(m_manager->isDisconnected(), stopped);
        QCOMPARE(m_manager->isConnected(), state == QLatin1String("connected"));
        QCOMPARE(m_manager->isConnecting(), state == QLatin1String("connecting"));
        verifyFailure(failure);
    }

    // A change of the network under a tunnel that is up or reconnecting restarts OpenVPN's
    // connection through its management interface; the watcher runs while a child exists.
    void networkChangeRestartsTheConnection_data()
    {
        QTest::addColumn<QByteArray>("scenario"); // empty: no child
        QTest::addColumn<bool>("stopping");
        QTest::addColumn<bool>("restarts");
        const QByteArray attempt("out Attempting to establish TCP connection with [AF_INET]x:1\n");
        QTest::newRow("connected") << QByteArray(connectedScenario) << false << true;
        QTest::newRow("reconnecting")
            << "out Initialization Sequence Completed\nsleep 100\n" + attempt + "wait" << false
            << true;
        QTest::newRow("connecting for the first time") << attempt + "wait" << false << false;
        QTest::newRow("stopping") << "ignore-term\n" + QByteArray(connectedScenario) << true
                                  << false;
        QTest::newRow("disconnected") << QByteArray() << false << false;
    }

    void networkChangeRestartsTheConnection()
    {
        QFETCH(QByteArray, scenario);
        QFETCH(bool, stopping);
        QFETCH(bool, restarts);
        if (!scenario.isEmpty()) {
            setScenario(scenario);
            m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                                  QStringLiteral("alice"), QStringLiteral("pw"));
            QTRY_COMPARE(countLogged(QStringLiteral("[VPN STDOUT]")), scenario.count("out "));
        }
        if (stopping)
            m_manager->disconnectVpn();
        auto *watcher = m_manager->findChild<NetworkWatcher *>();
        QCOMPARE(watcher->isRunning(), !scenario.isEmpty());
        m_recorder->events.clear();
        logged().clear();

        emit watcher->networkChanged();

        QCOMPARE(countLogged(QStringLiteral("[VPN] Network changed, restarting the connection")),
                 restarts ? 1 : 0);
        if (restarts)
            QTRY_VERIFY(logged().contains(QStringLiteral("[VPN] Connected.")));
        else
            QTest::qWait(300);
        QCOMPARE(logged().contains(QStringLiteral("[VPN] Connected.")), restarts);
        QCOMPARE(countLogged(QStringLiteral("[VPN STDOUT]"), QStringLiteral("SIGUSR1")),
                 restarts ? 1 : 0);
        if (restarts)
            QCOMPARE(m_recorder->events.constLast(), QStringLiteral("connecting=false"));
        m_manager->syncDisconnectVpn();
        QVERIFY(!watcher->isRunning());
    }

    // An interface that confirms only after the bound: the request is sent again on a new
    // connection, with one warning, and a second change meanwhile starts no request of its own.
    void lateRestartConfirmationIsRetried()
    {
        connectAndWait("management delay 1500\n" + QByteArray(connectedScenario));
        auto *watcher = m_manager->findChild<NetworkWatcher *>();
        logged().clear();

        emit watcher->networkChanged();
        QTest::qWait(200);
        emit watcher->networkChanged();

        QTRY_VERIFY_WITH_TIMEOUT(
            countLogged(QStringLiteral("[VPN STDOUT]"), QStringLiteral("SIGUSR1")) == 2, 10000);
        QTRY_VERIFY(logged().contains(QStringLiteral("[VPN] Connected.")));
        QCOMPARE(countLogged(QStringLiteral("[VPN] Network changed, restarting the connection")),
                 1);
        QCOMPARE(countLogged(QStringLiteral("[VPN] The management interface did not take the "
                                            "restart request (no confirmation within 1000 ms)")),
                 1);
        QVERIFY(m_manager->isConnected());
        // Confirmed: a later change asks again.
        logged().clear();
        emit watcher->networkChanged();
        QTRY_COMPARE(countLogged(QStringLiteral("[VPN STDOUT]"), QStringLiteral("SIGUSR1")), 1);
    }

    // An interface that does not confirm within the Connection Timeout: the child is sent the
    // restart signal where the platform has one, and stopped where it has none.
    void unconfirmedRestartIsSignalledOrStopped()
    {
        connectAndWait("management delay 60000\n" + QByteArray(connectedScenario));
        auto *watcher = m_manager->findChild<NetworkWatcher *>();
        m_manager->setConnectTimeoutMs(300);
        logged().clear();

        emit watcher->networkChanged();

#ifdef Q_OS_WIN
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isConnected() && !m_manager->isConnecting(), 10000);
        const char *outcome = "stopping";
#else
        QTRY_COMPARE(
            countLogged(QStringLiteral("[VPN STDOUT]"), QStringLiteral("SIGUSR1[hard,] received")),
            1);
        QTRY_VERIFY(logged().contains(QStringLiteral("[VPN] Connected.")));
        QVERIFY(m_manager->isConnected());
        const char *outcome = "sending the restart signal";
#endif
        QCOMPARE(countLogged(QStringLiteral("[VPN] The management interface did not take the "
                                            "restart request within 300 ms, ") +
                             QLatin1String(outcome)),
                 1);
    }

    void destroyingTheManagerEndsTheChild()
    {
        setScenario("ignore-term\npid\nwait");
        m_manager->connectVpn(QStringLiteral("127.0.0.1"), QString(), QStringLiteral("default"),
                              QStringLiteral("alice"), QStringLiteral("pw"));
        QTRY_VERIFY(!logged().matching(QStringLiteral("[VPN STDOUT] PID ")).isEmpty());
        const qint64 pid = logged()
                               .matching(QStringLiteral("[VPN STDOUT] PID "))
                               .constFirst()
                               .section(' ', 3)
                               .toLongLong();
        QVERIFY(pid > 0);
        QVERIFY(!processIsGone(pid));
        m_recorder->events.clear();
        logged().clear();

        m_manager.reset();

        QVERIFY(processIsGone(pid));
        QVERIFY(m_recorder->events.isEmpty());
        // Not even the warning of a process object destroyed while its child runs.
        QCOMPARE(logged().lines(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestVpnManager)
#include "tst_vpnmanager.moc"
