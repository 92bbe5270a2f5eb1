#include "../e2e/NetnsFixture.h"
#include "SessionFiles.h"
#include "TestEnvironment.h"
#include "VpnManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>

// Times a real tunnel through the manager against the demo server for the default profile
// (connectVpn until the connected notification, and both stop operations), next to the
// same openvpn run by hand with the configuration that the manager composed (start until
// "Initialization Sequence Completed", and the polite stop). Runs inside
// tests/e2e/netns-fixture like the end-to-end tests; prints medians of ten rounds.
namespace {

constexpr int rounds = 10;
constexpr int timeoutMs = 20000;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Runs `action`, then the event loop until `done` holds after one of `object`'s `signal`s;
// returns the milliseconds from before `action` until then, or -1 on timeout.
template <typename Object, typename Signal, typename Action, typename Done>
double timeUntil(Object *object, Signal signal, Action action, Done done)
{
    QEventLoop loop;
    QObject::connect(object, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, [&] { loop.exit(1); });
    QElapsedTimer timer;
    timer.start();
    action();
    if (!done() && loop.exec() != 0)
        return -1;
    return elapsedMs(timer);
}

struct ByHandRun
{
    double startMs = -1;
    double connectMs = -1;
    double stopMs = -1;
};

ByHandRun runByHand(const QString &program, const QString &config)
{
    ByHandRun run;
    QProcess openvpn;
    QByteArray output;
    bool completed = false;
    run.connectMs = timeUntil(
        &openvpn, &QProcess::readyReadStandardOutput,
        [&] {
            QElapsedTimer timer;
            timer.start();
            openvpn.start(program, {QStringLiteral("--config"), config});
            run.startMs = elapsedMs(timer);
        },
        [&] {
            output += openvpn.readAllStandardOutput();
            completed = completed || output.contains("Initialization Sequence Completed");
            return completed;
        });
    QElapsedTimer timer;
    timer.start();
    openvpn.terminate();
    openvpn.waitForFinished(timeoutMs);
    run.stopMs = elapsedMs(timer);
    return run;
}

void report(const char *what, const QList<double> &values)
{
    std::printf("%-58s median %8.1f ms  (min %.1f, max %.1f, n=%lld)\n", what, median(values),
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()),
                static_cast<long long>(values.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    NetnsFixture::enter(argc, argv);
    QCoreApplication app(argc, argv);
    if (!NetnsFixture::isInside()) {
        std::fprintf(stderr, "bench_tunnel: %s\n", qPrintable(NetnsFixture::unavailableReason()));
        return 1;
    }
    TemporaryHome home;
    const QString appDir = QCoreApplication::applicationDirPath();
    QDir(appDir).remove(QStringLiteral("default.ovpn"));
    const QString program = appDir + QStringLiteral("/openvpn");
    // The manager removes the session's files when its child has ended: the run by hand takes
    // a copy of the configuration, and its management password file back in its place.
    const QString session = SessionFiles::folder() + QStringLiteral("/vpn_session.ovpn");
    const QString managementPassword =
        SessionFiles::folder() + QStringLiteral("/vpn_management.txt");
    const QString byHandConfig = home.path() + QStringLiteral("/by-hand.ovpn");

    VpnManager manager;
    // A per-server user of tests/e2e/directory.json, which the fixture's servers accept.
    QList<double> connectVpnReturn;
    auto connect = [&] {
        QElapsedTimer timer;
        timer.start();
        manager.connectVpn(QStringLiteral("10.200.0.1"), QStringLiteral("1194"),
                           QStringLiteral("default"), QStringLiteral("city-default"),
                           QStringLiteral("pw-default"));
        connectVpnReturn << elapsedMs(timer);
    };
    auto connected = [&] { return manager.isConnected(); };
    auto disconnected = [&] { return manager.isDisconnected(); };

    QList<double> managerConnect, managerConnectBackground, syncStop, backgroundStop, byHandConnect,
        byHandStart, byHandStop;
    for (int round = 0; round < rounds; ++round) {
        managerConnect << timeUntil(&manager, &VpnManager::connectedChanged, connect, connected);
        QElapsedTimer timer;
        timer.start();
        manager.syncDisconnectVpn();
        syncStop << elapsedMs(timer);

        managerConnectBackground << timeUntil(&manager, &VpnManager::connectedChanged, connect,
                                              connected);
        QFile::remove(byHandConfig);
        QFile::copy(session, byHandConfig);
        const QByteArray password = readFileBytes(managementPassword);
        backgroundStop << timeUntil(
            &manager, &VpnManager::disconnectedChanged, [&] { manager.disconnectVpn(); },
            disconnected);

        writeFileBytes(managementPassword, password);
        const ByHandRun byHand = runByHand(program, byHandConfig);
        QFile::remove(managementPassword);
        byHandConnect << byHand.connectMs;
        byHandStart << byHand.startMs;
        byHandStop << byHand.stopMs;

        for (const QList<double> *values :
             {&managerConnect, &managerConnectBackground, &backgroundStop, &byHandConnect}) {
            if (values->last() < 0) {
                std::fprintf(stderr, "bench_tunnel: round %d timed out\n", round + 1);
                return 1;
            }
        }
    }

    report("connectVpn -> connected (rounds with the sync stop)", managerConnect);
    report("connectVpn -> connected (rounds with the background stop)", managerConnectBackground);
    report("openvpn by hand: start -> Initialization Sequence Completed", byHandConnect);
    std::printf("%-58s %8.3f\n", "ratio manager / by hand (medians, first row)",
                median(managerConnect) / median(byHandConnect));
    report("connectVpn itself (until it returns)", connectVpnReturn);
    report("openvpn by hand: QProcess::start (until it returns)", byHandStart);
    report("syncDisconnectVpn (kill, until it returns)", syncStop);
    report("disconnectVpn -> disconnected (terminate, completion)", backgroundStop);
    report("openvpn by hand: terminate -> exited", byHandStop);
    return 0;
}
