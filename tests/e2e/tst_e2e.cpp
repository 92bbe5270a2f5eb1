#include "CredentialHelper.h"
#include "NetnsFixture.h"
#include "NetworkWatcher.h"
#include "TestEnvironment.h"
#include "VpnManager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <utility>

// The real manager against Debian's openvpn and the demo servers. main() re-runs this
// executable inside tests/e2e/netns-fixture: the test process, and so the OpenVPN child that
// the manager starts, lives in a client network namespace of its own, joined by a veth pair
// to the servers' namespace (10.200.0.2 here, 10.200.0.1 there).
namespace {

using NetnsFixture::openvpnProcessesHere;

const QString e2eDir = NetnsFixture::sourceDir() + QStringLiteral("/tests/e2e");

QStringList tunDevicesHere()
{
    QStringList names;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        if (interface.name().startsWith(QStringLiteral("tun")))
            names.append(interface.name());
    }
    return names;
}

// The name of the interface that holds `address`, or empty.
QString interfaceWithAddress(const QString &address)
{
    const QHostAddress wanted(address);
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip() == wanted)
                return interface.name();
        }
    }
    return {};
}

QJsonDocument readJson(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                          : QJsonDocument();
}

bool isDefaultUser(const QString &user)
{
    return user.trimmed().toLower() == QStringLiteral("default");
}

// One server of the directory the fixture's servers use, as the home screen hands it on.
struct Server
{
    QString host;
    QString port;
    QString category;
    QString user;
    QString pass;
};

// The first entry of `category` in the test directory whose user is (or is not) "default".
Server directoryServer(const QString &category, bool defaultUser)
{
    const QJsonObject directory = readJson(e2eDir + QStringLiteral("/directory.json")).object();
    QJsonArray entries = directory.value(QStringLiteral("Servers")).toArray();
    for (const QJsonValue &city : directory.value(QStringLiteral("Cities")).toArray())
        entries.append(city);
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        const QString user = entry.value(QStringLiteral("User")).toString();
        if (entry.value(QStringLiteral("Category")).toString() == category &&
            isDefaultUser(user) == defaultUser) {
            return {entry.value(QStringLiteral("ServerHost")).toString(),
                    entry.value(QStringLiteral("OpenVPNTCPPort")).toVariant().toString(), category,
                    user, entry.value(QStringLiteral("Pass")).toString()};
        }
    }
    return {};
}

// The account that "auth.txt" carries for servers whose user is "default".
QPair<QString, QString> signedInAccount()
{
    const QJsonObject account =
        readJson(e2eDir + QStringLiteral("/accounts.json")).array().first().toObject();
    return {account.value(QStringLiteral("username")).toString(),
            account.value(QStringLiteral("password")).toString()};
}

// The server's own tunnel address, from the "server" line of its configuration.
QString serverTunnelAddress(const QString &category)
{
    QFile file(NetnsFixture::sourceDir() + QStringLiteral("/demo/server/%1.conf").arg(category));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    static const QRegularExpression serverLine(
        QStringLiteral("^server\\s+(\\d+\\.\\d+\\.\\d+)\\.0\\s"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = serverLine.match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1) + QStringLiteral(".1") : QString();
}

// The tunnel address that the server of `category` lists in its status file (rewritten
// every second) for a session of `commonName` that began at `since` (seconds since the
// epoch) or later, or empty.
QString assignedAddress(const QString &category, const QString &commonName, qint64 since)
{
    QFile file(qEnvironmentVariable("DEMO_SERVER_RUNDIR") +
               QStringLiteral("/%1.status").arg(category));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // CLIENT_LIST,<common name>,<real address>,<virtual address>,...,<connected since time_t>
    while (!file.atEnd()) {
        const QStringList fields =
            QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
        if (fields.size() > 8 && fields.at(0) == QStringLiteral("CLIENT_LIST") &&
            fields.at(1) == commonName && fields.at(8).toLongLong() >= since)
            return fields.at(3);
    }
    return {};
}

// Each echo request waits up to 2 s for its reply.
bool pingThrough(const QString &interfaceName, const QString &address, int requests = 3)
{
    return QProcess::execute(QStringLiteral("ping"),
                             {QStringLiteral("-c"), QString::number(requests), QStringLiteral("-i"),
                              QStringLiteral("0.2"), QStringLiteral("-W"), QStringLiteral("2"),
                              QStringLiteral("-I"), interfaceName, address}) == 0;
}

// Whether the two routes that take all traffic (redirect-gateway def1) go through `device`.
bool allTrafficThrough(const QString &device)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), {QStringLiteral("-4"), QStringLiteral("route"),
                                    QStringLiteral("show"), QStringLiteral("dev"), device});
    ip.waitForFinished();
    const QByteArray routes = '\n' + ip.readAllStandardOutput();
    return routes.contains("\n0.0.0.0/1 ") && routes.contains("\n128.0.0.0/1 ");
}

// Replaces the client namespace's outer address `from` by `to` (both in the veth pair's
// subnet) and puts the default route back, which went with the old address.
bool replaceOuterAddress(const QString &from, const QString &to)
{
    const auto ip = [](const QString &arguments) {
        return QProcess::execute(QStringLiteral("ip"), arguments.split(QLatin1Char(' '))) == 0;
    };
    return ip(QStringLiteral("addr del %1/24 dev veth-client").arg(from)) &&
           ip(QStringLiteral("addr add %1/24 dev veth-client").arg(to)) &&
           ip(QStringLiteral("route add default via 10.200.0.1"));
}

enum class Stop { Sync, Background, BackgroundSigtermBlocked };

} // namespace

Q_DECLARE_METATYPE(Stop)

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    // Connects and returns whether the tunnel came up before the attempt ended.
    bool connectAndWait(const Server &server)
    {
        m_manager->connectVpn(server.host, server.port, server.category, server.user, server.pass);
        return QTest::qWaitFor(
                   [this] { return m_manager->isConnected() || m_manager->isDisconnected(); },
                   20000) &&
               m_manager->isConnected();
    }

    void verifyResetFlags()
    {
        QVERIFY(!m_manager->isConnected());
        QVERIFY(!m_manager->isConnecting());
        QVERIFY(!m_manager->isDisconnecting());
        QVERIFY(m_manager->isDisconnected());
        QCOMPARE(m_manager->privateIp(), QString());
    }

    void verifyNothingLeft()
    {
        QTRY_VERIFY_WITH_TIMEOUT(openvpnProcessesHere().isEmpty(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(tunDevicesHere(), QStringList(), 5000);
    }

    // The user is told `sentence`, and the log says it once.
    void verifyFailure(const LogCapture &log, const QString &sentence)
    {
        QCOMPARE(m_manager->lastError(), sentence);
        QCOMPARE(log.matching(QStringLiteral("[VPN] Failure:")),
                 QStringList{QStringLiteral("[VPN] Failure: ") + sentence});
    }

    // After an attempt that never came up: the flags are reset, OpenVPN said why, the user
    // is told `sentence`, and nothing is left behind.
    void verifyFailedAttempt(const LogCapture &log, const QString &openvpnSays,
                             const QString &sentence)
    {
        verifyResetFlags();
        QVERIFY(!m_everConnected);
        QVERIFY2(!log.matching(QStringLiteral("[VPN STDOUT]")).filter(openvpnSays).isEmpty(),
                 qPrintable(openvpnSays));
        verifyFailure(log, sentence);
        verifyNothingLeft();
    }

    TemporaryHome m_home;
    const QString m_appDir = QCoreApplication::applicationDirPath();
    VpnManager *m_manager = nullptr;
    bool m_everConnected = false;

private slots:
    void initTestCase()
    {
        const QString reason = NetnsFixture::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(QStringLiteral("real OpenVPN tunnels: ") + reason));
        QVERIFY2(NetnsFixture::isInside(),
                 "run inside tests/e2e/netns-fixture (main() does so by itself)");
        QVERIFY(QFileInfo(m_appDir + QStringLiteral("/openvpn")).isExecutable());
        // Profiles extracted by an earlier run would be used instead of the bundle's.
        QDir appDir(m_appDir);
        const QStringList stale =
            appDir.entryList({QStringLiteral("*.ovpn"), QStringLiteral("auth*.txt")}, QDir::Files);
        for (const QString &name : stale)
            QVERIFY(appDir.remove(name));
        QVERIFY(openvpnProcessesHere().isEmpty());
    }

    void init()
    {
        m_manager = new VpnManager;
        m_everConnected = false;
        connect(m_manager, &VpnManager::connectedChanged, m_manager,
                [this] { m_everConnected = m_everConnected || m_manager->isConnected(); });
    }

    void cleanup()
    {
        delete m_manager; // kills a child that a failed test left running
        m_manager = nullptr;
        verifyNothingLeft();
    }

    void connectsCarriesTrafficAndStops_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("defaultUser");
        QTest::addColumn<Stop>("stop");
        const QStringList categories = {QStringLiteral("default"), QStringLiteral("fastvpn"),
                                        QStringLiteral("goose"), QStringLiteral("pia"),
                                        QStringLiteral("surfshark")};
        for (const QString &category : categories) {
            QTest::addRow("%s, signed-in account, synchronous stop", qPrintable(category))
                << category << true << Stop::Sync;
            QTest::addRow("%s, per-server user, background stop", qPrintable(category))
                << category << false << Stop::Background;
        }
        QTest::newRow("default, per-server user, background stop, SIGTERM blocked")
            << QStringLiteral("default") << false << Stop::BackgroundSigtermBlocked;
    }

    void connectsCarriesTrafficAndStops()
    {
        QFETCH(QString, category);
        QFETCH(bool, defaultUser);
        QFETCH(Stop, stop);
        const Server server = directoryServer(category, defaultUser);
        QVERIFY2(!server.host.isEmpty(), "no such entry in tests/e2e/directory.json");
        QString commonName = server.user;
        if (defaultUser) {
            const auto [user, password] = signedInAccount();
            CredentialHelper().writeAuthFile(user, password);
            commonName = user;
        }
        const QString program = m_appDir + QStringLiteral("/openvpn");
        if (stop == Stop::BackgroundSigtermBlocked) {
            QVERIFY(QFile::rename(program, program + QStringLiteral(".plain")));
            QVERIFY(QFile::link(m_appDir + QStringLiteral("/openvpn-sigterm-blocked"), program));
        }
        const auto restore = qScopeGuard([&] {
            if (stop == Stop::BackgroundSigtermBlocked && QFile::remove(program))
                QFile::rename(program + QStringLiteral(".plain"), program);
        });
        LogCapture log;
        const qint64 since = QDateTime::currentSecsSinceEpoch();

        QVERIFY2(connectAndWait(server), qPrintable(log.lines().join(QLatin1Char('\n'))));
        QVERIFY(!m_manager->isConnecting());
        QVERIFY(!m_manager->isDisconnecting());
        QVERIFY(!m_manager->isDisconnected());

        QString assigned;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(assigned = assignedAddress(category, commonName, since)).isEmpty(), 5000);
        QCOMPARE(m_manager->privateIp(), assigned);

        const QString device = interfaceWithAddress(assigned);
        QVERIFY2(device.startsWith(QStringLiteral("tun")), qPrintable(device));
        QVERIFY(pingThrough(device, serverTunnelAddress(category)));

        if (stop == Stop::Sync) {
            m_manager->syncDisconnectVpn();
            verifyResetFlags();
            QVERIFY(log.contains(QStringLiteral("[VPN] Disconnected.")));
        } else {
            QElapsedTimer stopping;
            qint64 stopMs = -1;
            connect(m_manager, &VpnManager::disconnectingChanged, m_manager, [&] {
                if (!m_manager->isDisconnecting() && stopMs < 0)
                    stopMs = stopping.elapsed();
            });
            stopping.start();
            m_manager->disconnectVpn();
            QVERIFY(m_manager->isDisconnecting());
            QTRY_VERIFY_WITH_TIMEOUT(
                log.contains(QStringLiteral("[VPN] Disconnected (via thread monitor).")), 10000);
            qInfo("background stop: %lld ms", stopMs);
            verifyResetFlags();
            // OpenVPN ends on the polite request; it is never killed.
            QVERIFY(log.contains(QStringLiteral("[VPN] Terminated gracefully")));
            QVERIFY(!log.contains(QStringLiteral("[VPN] Still running, killing forcefully...")));
        }
        QCOMPARE(m_manager->lastError(), QString());
        verifyNothingLeft();
    }

    // The server refuses the credentials: OpenVPN prints AUTH_FAILED and, without
    // auth-retry in the profile, exits by itself; the manager's end handler resets the flags.
    void refusedCredentialsEndTheChild_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::newRow("wrong password") << signedInAccount().first << QStringLiteral("wrong");
        QTest::newRow("expired account")
            << QStringLiteral("e2e-expired") << QStringLiteral("expired");
        QTest::newRow("unknown user") << QStringLiteral("nobody") << QStringLiteral("nothing");
        // "Wrong Password City" of directory.json: the servers hold another password.
        QTest::newRow("per-server password that the server does not hold")
            << QStringLiteral("city-wrong") << QStringLiteral("pw-wrong");
        // A directory entry's placeholder user stands for the signed-in account only.
        QTest::newRow("placeholder user of the directory")
            << QStringLiteral("DEFAULT") << QStringLiteral("ignored");
    }

    void refusedCredentialsEndTheChild()
    {
        QFETCH(QString, user);
        QFETCH(QString, pass);
        Server server = directoryServer(QStringLiteral("default"), false);
        server.user = user;
        server.pass = pass;
        if (isDefaultUser(user))
            CredentialHelper().writeAuthFile(user, pass);
        LogCapture log;

        m_manager->connectVpn(server.host, server.port, server.category, server.user, server.pass);
        QVERIFY(m_manager->isConnecting());
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->isDisconnected(), 15000);

        verifyFailedAttempt(log, QStringLiteral("AUTH_FAILED"),
                            QStringLiteral("The server refused the user name or password."));
    }

    // Nothing listens on the port: OpenVPN retries for ever, so the manager's bound on
    // connecting ends the attempt and the interface returns to "Connect".
    void unreachableServerEndsAtTheBound()
    {
        const int bound = 3000;
        m_manager->setConnectTimeoutMs(bound);
        Server server = directoryServer(QStringLiteral("default"), false);
        server.port = QStringLiteral("1196");
        LogCapture log;
        QElapsedTimer elapsed;
        elapsed.start();

        m_manager->connectVpn(server.host, server.port, server.category, server.user, server.pass);
        QVERIFY(m_manager->isConnecting());
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->isDisconnected(), bound + 15000);

        QVERIFY(elapsed.elapsed() >= bound);
        verifyFailedAttempt(log, QStringLiteral("Connection refused"),
                            QStringLiteral("The server could not be reached."));
    }

    // OpenVPN restarts its connection, as it does when the server restarts: with the kill
    // switch, its tunnel device and the routes that take all traffic stay while it reconnects.
    void killSwitchHoldsTrafficWhileReconnecting()
    {
        m_manager->setKillSwitch(true);
        LogCapture log;
        QVERIFY(connectAndWait(directoryServer(QStringLiteral("default"), false)));
        const QString device = interfaceWithAddress(m_manager->privateIp());
        QVERIFY(allTrafficThrough(device));

        QCOMPARE(::kill(pid_t(openvpnProcessesHere().value(0)), SIGUSR1), 0);
        bool held = true;
        QVERIFY(QTest::qWaitFor(
            [&] {
                held = held && tunDevicesHere() == QStringList{device} && allTrafficThrough(device);
                return log.matching(QStringLiteral("[VPN STDOUT]"))
                           .filter(QStringLiteral("Initialization Sequence Completed"))
                           .size() == 2;
            },
            20000));
        QVERIFY(held);
        QVERIFY(m_manager->isConnected());
    }

    // The outer address is replaced under a live tunnel, so that OpenVPN's connection belongs
    // to an address that is gone: with the network watcher the manager restarts it at once,
    // without it (its notifications blocked) OpenVPN notices only when its ping-restart runs
    // out (60 s from the demo servers). Prints each time from the change to "Connected".
    // `busy`: the manager's thread is held for up to 2 s at a time by a blocking ping while
    // the test waits for traffic, as a heavy screen or a loaded machine holds it.
    void recoversFromAnAddressChange_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::newRow("thread free") << false;
        QTest::newRow("thread busy") << true;
    }

    void recoversFromAnAddressChange()
    {
        QFETCH(bool, busy);
        LogCapture log;
        QVERIFY(connectAndWait(directoryServer(QStringLiteral("default"), false)));
        auto *watcher = m_manager->findChild<NetworkWatcher *>();
        const QString device = interfaceWithAddress(m_manager->privateIp());
        const QString gateway = serverTunnelAddress(QStringLiteral("default"));
        const auto count = [&](const QString &start, const QString &part = QString()) {
            return log.matching(start).filter(part).size();
        };
        const QString original = QStringLiteral("10.200.0.2");
        QString outer = original;
        const auto restore = qScopeGuard([&] {
            if (outer != original)
                replaceOuterAddress(outer, original);
        });
        for (const bool watching : {true, false}) {
            if (busy && !watching)
                break;
            watcher->blockSignals(!watching);
            const qsizetype connectedBefore = count(QStringLiteral("[VPN] Connected."));
            QElapsedTimer elapsed;
            elapsed.start();
            const QString to = watching ? QStringLiteral("10.200.0.3") : original;
            QVERIFY(replaceOuterAddress(std::exchange(outer, to), to));
            if (busy) {
                while (!pingThrough(device, gateway, 1) && elapsed.elapsed() < 10000)
                    QCoreApplication::processEvents();
                QVERIFY2(elapsed.elapsed() < 10000, "no traffic within 10 s");
            }
            QVERIFY(QTest::qWaitFor(
                [&] { return count(QStringLiteral("[VPN] Connected.")) > connectedBefore; },
                120000));
            qInfo("recovery after an address change, %s: %lld ms %s", QTest::currentDataTag(),
                  qint64(elapsed.elapsed()), watching ? "with the network watcher" : "without");
            // The first recovery is the manager's restart, the second OpenVPN's ping-restart.
            QCOMPARE(count(QStringLiteral("[VPN] Network changed, restarting the connection")), 1);
            QCOMPARE(count(QStringLiteral("[VPN STDOUT]"), QStringLiteral("Inactivity timeout")),
                     watching ? 0 : 1);
            QVERIFY(pingThrough(device, gateway));
        }
    }

    void childKilledFromOutside()
    {
        const Server server = directoryServer(QStringLiteral("surfshark"), false);
        LogCapture log;
        QVERIFY(connectAndWait(server));
        const QList<qint64> children = openvpnProcessesHere();
        QCOMPARE(children.size(), 1);

        QCOMPARE(::kill(pid_t(children.first()), SIGKILL), 0);

        QTRY_VERIFY_WITH_TIMEOUT(m_manager->isDisconnected(), 5000);
        verifyResetFlags();
        verifyFailure(log, QStringLiteral("The connection was lost."));
        verifyNothingLeft();
    }

    // An OpenVPN program beside the client that cannot be executed: the system's is not tried.
    void openvpnNotExecutable()
    {
        const QString program = m_appDir + QStringLiteral("/openvpn");
        const FileSetAside notAProgram(program, "not a program\n");
        QVERIFY(notAProgram.isDone());
        const Server server = directoryServer(QStringLiteral("default"), false);
        LogCapture log;

        m_manager->connectVpn(server.host, server.port, server.category, server.user, server.pass);
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->isDisconnected(), 5000);

        verifyResetFlags();
        QVERIFY(log.contains(QStringLiteral("[VPN] Cannot start OpenVPN at: \"%1\"").arg(program)));
        verifyFailure(log, QStringLiteral("OpenVPN could not be started."));
    }
};

int main(int argc, char *argv[])
{
    NetnsFixture::enter(argc, argv);
    QCoreApplication app(argc, argv);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e.moc"
