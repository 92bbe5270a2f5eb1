#include "VpnManager.h"

#include "ChildSignal.h"
#include "DirectoryValues.h"
#include "OpenVpnOutput.h"
#include "OpenVpnProgram.h"

#include <QDebug>
#include <QFile>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

constexpr int gracePeriodMs = 5000;
constexpr int killWaitMs = 30000;
// How long the management interface may take to confirm a request: then the polite stop
// request is sent as the termination signal instead.
constexpr std::chrono::milliseconds managementBound{1000};

} // namespace

VpnManager::VpnManager(QObject *parent) : QObject(parent), vpnProcess(new QProcess(this))
{
    // Precise timers: a coarse one may fire up to 5 % early, cutting a bound or a grace
    // period short.
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setTimerType(Qt::PreciseTimer);
    m_stopTimer.setSingleShot(true);
    m_stopTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_connectTimer, &QTimer::timeout, this, &VpnManager::onConnectTimeout);
    connect(&m_stopTimer, &QTimer::timeout, this, &VpnManager::onStopTimeout);
    connect(&m_stopRequest, &ManagementSignal::failed, this, &VpnManager::onStopRequestFailed);
    connect(&m_restartRequest, &ManagementSignal::failed, this,
            &VpnManager::onRestartRequestFailed);
    connect(&m_restartRequest, &ManagementSignal::confirmed, this, &VpnManager::endRestart);
    m_restartTimer.setSingleShot(true);
    m_restartTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_restartTimer, &QTimer::timeout, this, &VpnManager::onRestartTimeout);
    connect(&m_networkWatcher, &NetworkWatcher::networkChanged, this,
            &VpnManager::onNetworkChanged);

#ifdef Q_OS_LINUX
    // OpenVPN must not outlive the client. Should the client end without its destructor
    // running (killed, crashed), the kernel sends the child the polite termination request;
    // a client that ended before the request was in place ends the child at once.
    const pid_t client = ::getpid();
    vpnProcess->setChildProcessModifier([client] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != client)
            ::_exit(1);
    });
#endif

    connect(vpnProcess, &QProcess::started, this, &VpnManager::onStarted);
    connect(vpnProcess, &QProcess::finished, this, &VpnManager::onFinished);
    connect(vpnProcess, &QProcess::errorOccurred, this, &VpnManager::onErrorOccurred);
    connect(vpnProcess, &QProcess::readyReadStandardOutput, this, &VpnManager::onStandardOutput);
    connect(vpnProcess, &QProcess::readyReadStandardError, this, &VpnManager::onStandardError);
}

// A child still running ends with the manager, as the process object would end it, but
// without its warning and without reporting to a manager that is going.
VpnManager::~VpnManager()
{
    if (vpnProcess->state() != QProcess::NotRunning) {
        vpnProcess->disconnect(this);
        vpnProcess->kill();
        vpnProcess->waitForFinished(killWaitMs);
    }
    removeSessionFiles();
}

void VpnManager::setKillSwitch(bool on)
{
    if (on == m_killSwitch)
        return;
    m_killSwitch = on;
    emit killSwitchChanged();
}

void VpnManager::setConnectTimeoutMs(int milliseconds)
{
    milliseconds = std::max(milliseconds, 0);
    if (milliseconds == m_connectTimeoutMs)
        return;
    m_connectTimeoutMs = milliseconds;
    emit connectTimeoutMsChanged();
}

void VpnManager::connectVpn(const QString &host, const QString &port, const QString &cat,
                            const QString &user, const QString &pass)
{
    if (vpnProcess->state() != QProcess::NotRunning) {
        qDebug() << "[VPN] Already running";
        return;
    }
    m_disconnecting = false;
    m_disconnected = false;
    emit disconnectingChanged();
    emit disconnectedChanged();
    m_diagnosis = {};
    m_attemptWatched = true;
    setLastError(QString());

    const QString unusable = DirectoryValues::firstUnusable(host, port, cat, user, pass);
    if (!unusable.isEmpty()) {
        qWarning().noquote() << "[VPN] Refusing to connect: the server's" << unusable
                             << "is not usable";
        endAttempt(ConnectionFailure::Ending::NotPrepared);
        return;
    }
    const QString program = OpenVpnProgram::find();
    if (program.isEmpty()) {
        qWarning().noquote() << "[VPN] OpenVPN is not installed; looked at:"
                             << OpenVpnProgram::placesHere().join(QStringLiteral(", "));
        endAttempt(ConnectionFailure::Ending::NotInstalled);
        return;
    }
    const SessionFiles::Session session =
        SessionFiles::prepare(host, port, cat, user, pass, m_killSwitch);
    if (session.configPath.isEmpty()) {
        endAttempt(ConnectionFailure::Ending::NotPrepared);
        return;
    }
    m_sessionConfigPath = session.configPath;
    m_management = session.management;

    m_stopCompletionPending = false;
    m_partialOutput.clear();
    m_connecting = true;
    emit connectingChanged();
    // The bound of this attempt, also for its later stretches of connecting.
    m_connectTimer.setInterval(m_connectTimeoutMs);
    startConnectBound();
    qDebug() << "[VPN] Using OpenVPN at:" << program;
    qDebug() << "[VPN] Starting OpenVPN with config:" << session.configPath;
    vpnProcess->start(program, {QStringLiteral("--config"), session.configPath},
                      QIODevice::ReadWrite);
}

void VpnManager::syncDisconnectVpn()
{
    if (vpnProcess->state() == QProcess::NotRunning) {
        qDebug() << "[VPN] Not running";
        return;
    }
    forgetAttempt();
    // Takes over a background stop that is still waiting: the kill below ends the child.
    m_stopPhase = StopPhase::Idle;
    m_stopTimer.stop();
    m_stopRequest.cancel();
    endRestart();
    m_connectTimer.stop();
    m_disconnecting = true;
    emit disconnectingChanged();
    vpnProcess->kill();
    vpnProcess->waitForFinished(killWaitMs);
    pairedReset();
    qDebug() << "[VPN] Disconnected.";
}

void VpnManager::disconnectVpn()
{
    if (vpnProcess->state() == QProcess::NotRunning) {
        qDebug() << "[VPN] Not running";
        return;
    }
    forgetAttempt();
    stopInBackground();
}

void VpnManager::stopInBackground()
{
    if (m_stopPhase != StopPhase::Idle) {
        qDebug() << "[VPN] Already disconnecting";
        return;
    }
    m_stopPhase = StopPhase::Grace;
    m_connectTimer.stop();
    m_disconnecting = true;
    emit disconnectingChanged();

    qDebug() << "[VPN] Sending terminate signal...";
    // The management interface takes one client at a time.
    endRestart();
    m_stopRequest.start(m_management.port, m_management.password, "SIGTERM", managementBound);
    qDebug() << "[VPN] Waiting for process to exit (max 5s)...";
    m_stopTimer.start(gracePeriodMs);
}

void VpnManager::onStopTimeout()
{
    if (m_stopPhase == StopPhase::Grace) {
        qDebug() << "[VPN] Still running, killing forcefully...";
        m_stopPhase = StopPhase::AfterKill;
        m_stopRequest.cancel();
        vpnProcess->kill();
        m_stopTimer.start(killWaitMs);
        return;
    }
    // The child survived the kill: the flags are reset all the same.
    finishBackgroundStop();
}

// OpenVPN did not confirm the polite request over its management interface (not open, not
// answering, or refusing): the request goes out as the termination signal instead.
void VpnManager::onStopRequestFailed(const QString &reason)
{
    qWarning().noquote() << "[VPN] The management interface did not take the stop request (" +
                                reason + "), sending the termination signal";
    vpnProcess->terminate();
}

// The connection of a tunnel that is up or reconnecting may belong to an address or a route
// that is gone: OpenVPN restarts it at once and reports the reconnect with its usual
// markers. An attempt that is still connecting for the first time already uses the network
// as it is, and a stop is not interrupted.
void VpnManager::onNetworkChanged()
{
    if (!m_connected || m_disconnecting || m_restartPending)
        return;
    qDebug() << "[VPN] Network changed, restarting the connection";
    m_restartPending = true;
    m_restartLate = false;
    if (m_connectTimeoutMs > 0)
        m_restartTimer.start(m_connectTimeoutMs);
    m_restartRequest.start(m_management.port, m_management.password, "SIGUSR1", managementBound);
}

// An unconfirmed restart is asked for again on a new connection, with one warning for all
// the tries.
void VpnManager::onRestartRequestFailed(const QString &reason)
{
    if (!m_restartLate)
        qWarning().noquote() << "[VPN] The management interface did not take the restart request"
                             << QLatin1Char('(') + reason + QLatin1Char(')');
    m_restartLate = true;
    m_restartRequest.start(m_management.port, m_management.password, "SIGUSR1", managementBound);
}

void VpnManager::onRestartTimeout()
{
    const int bound = m_restartTimer.interval();
    endRestart();
    const bool signalled = ChildSignal::restart(vpnProcess->processId());
    qWarning() << "[VPN] The management interface did not take the restart request within" << bound
               << (signalled ? "ms, sending the restart signal" : "ms, stopping");
    if (!signalled)
        stopInBackground();
}

void VpnManager::endRestart()
{
    m_restartPending = false;
    m_restartTimer.stop();
    m_restartRequest.cancel();
}

void VpnManager::finishBackgroundStop()
{
    m_stopPhase = StopPhase::Idle;
    m_stopTimer.stop();
    m_stopRequest.cancel();
    m_stopCompletionPending = true;
    QMetaObject::invokeMethod(
        this, [this] { completeBackgroundStop(); }, Qt::QueuedConnection);
}

void VpnManager::completeBackgroundStop()
{
    // False when a new child was started meanwhile: this stop no longer concerns it.
    const bool forCurrentChild = m_stopCompletionPending;
    m_stopCompletionPending = false;
    if (forCurrentChild)
        pairedReset();
    qDebug() << "[VPN] Disconnected (via thread monitor).";
    if (forCurrentChild)
        endAttempt(ConnectionFailure::Ending::Ended);
}

// The user asked for the stop: the end of this child is no failure.
void VpnManager::forgetAttempt()
{
    m_attemptWatched = false;
    setLastError(QString());
}

void VpnManager::endAttempt(ConnectionFailure::Ending ending)
{
    if (!m_attemptWatched)
        return;
    m_attemptWatched = false;
    setLastError(ConnectionFailure::sentence(m_diagnosis.conclude(ending)));
    qWarning().noquote() << "[VPN] Failure:" << m_lastError;
}

void VpnManager::setLastError(const QString &text)
{
    if (text == m_lastError)
        return;
    m_lastError = text;
    emit lastErrorChanged();
}

// With no bound, OpenVPN retries for as long as it likes.
void VpnManager::startConnectBound()
{
    if (m_connectTimer.interval() > 0)
        m_connectTimer.start();
}

void VpnManager::onConnectTimeout()
{
    qWarning() << "[VPN] Connection attempt not completed within" << m_connectTimer.interval()
               << "ms, stopping";
    stopInBackground();
}

void VpnManager::onStarted()
{
    qDebug() << "[VPN] Process started";
    m_networkWatcher.start();
}

void VpnManager::onFinished()
{
    examineRemainingOutput();
    qDebug() << "[VPN] Process finished";
    removeSessionFiles();
    groupedReset();
    if (m_stopPhase == StopPhase::Grace)
        qDebug() << "[VPN] Terminated gracefully";
    if (m_stopPhase != StopPhase::Idle)
        finishBackgroundStop();
    endAttempt(ConnectionFailure::Ending::Ended);
}

void VpnManager::onErrorOccurred(QProcess::ProcessError error)
{
    examineRemainingOutput();
    qDebug() << "[VPN] Process error:" << error;
    groupedReset();
    // No finished notification follows a child that never started.
    if (error == QProcess::FailedToStart) {
        removeSessionFiles();
        qWarning() << "[VPN] Cannot start OpenVPN at:" << vpnProcess->program();
        endAttempt(ConnectionFailure::Ending::NotStarted);
    }
}

void VpnManager::onStandardOutput()
{
    m_partialOutput += vpnProcess->readAllStandardOutput();
    const QStringList lines = OpenVpnOutput::takeCompleteLines(m_partialOutput);
    for (const QString &line : lines)
        handleOutputLine(line);
}

void VpnManager::onStandardError()
{
    const QString text = QString::fromUtf8(vpnProcess->readAllStandardError()).trimmed();
    qDebug().noquote() << "[VPN STDERR]" << text;
}

void VpnManager::handleOutputLine(const QString &segment)
{
    const QString line = segment.trimmed();
    if (line.isEmpty())
        return;
    qDebug().noquote() << "[VPN STDOUT]" << line;
    m_diagnosis.examine(line);

    const OpenVpnOutput::Findings findings = OpenVpnOutput::examineLine(line);
    if (findings.connectingMarker && !m_connecting) {
        m_connecting = true;
        emit connectingChanged();
        qDebug() << "[VPN] Connecting...";
        startConnectBound();
    }
    if (findings.completionMarker) {
        m_connectTimer.stop();
        m_diagnosis.noteTunnelUp();
        m_connected = true;
        m_connecting = false;
        m_disconnected = false;
        emit connectedChanged();
        emit connectingChanged();
        qDebug() << "[VPN] Connected.";
    }
    if (!findings.tunnelDevice.isEmpty())
        m_networkWatcher.setTunnelDevice(findings.tunnelDevice);
    if (!findings.privateIp.isEmpty() && findings.privateIp != m_privateIp) {
        m_privateIp = findings.privateIp;
        emit privateIpChanged();
        qDebug() << "[VPN] Private IP:" << m_privateIp;
    }
}

// The last line of a child that ended without writing its line end.
void VpnManager::examineRemainingOutput()
{
    if (vpnProcess->state() == QProcess::NotRunning)
        handleOutputLine(OpenVpnOutput::takeRest(m_partialOutput));
}

// OpenVPN reads them when it starts; once it has ended they only keep its secrets on disk.
void VpnManager::removeSessionFiles()
{
    for (const QString &path : {m_sessionConfigPath, m_management.passwordFilePath}) {
        if (!path.isEmpty() && !QFile::remove(path) && QFile::exists(path))
            qWarning() << "[VPN] Cannot remove" << path;
    }
    m_sessionConfigPath.clear();
    m_management = {};
}

// The end of the child.
void VpnManager::groupedReset()
{
    m_connectTimer.stop();
    m_networkWatcher.stop();
    endRestart();
    m_connected = false;
    m_connecting = false;
    m_disconnecting = false;
    m_disconnected = true;
    m_privateIp.clear();
    emit connectedChanged();
    emit connectingChanged();
    emit disconnectingChanged();
    emit disconnectedChanged();
    emit privateIpChanged();
}

void VpnManager::pairedReset()
{
    m_connectTimer.stop();
    m_connected = false;
    emit connectedChanged();
    m_connecting = false;
    emit connectingChanged();
    m_disconnecting = false;
    emit disconnectingChanged();
    m_disconnected = true;
    emit disconnectedChanged();
    m_privateIp.clear();
    emit privateIpChanged();
}
