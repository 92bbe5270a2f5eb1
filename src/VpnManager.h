#pragma once

#include "ConnectionFailure.h"
#include "ManagementSignal.h"
#include "NetworkWatcher.h"
#include "SessionFiles.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

// Owns the OpenVPN child process and publishes the connection flags.
//
// All of its work happens on the thread it lives on: the handlers of the process object, the
// connection bound and the background stop, which is driven by timers there rather than by a
// second thread, so the process object is never used from two threads.
//
// While a child exists, it watches the machine's network: when the network changes under a
// tunnel that is up or reconnecting, it asks OpenVPN to restart its connection at once,
// instead of OpenVPN noticing only when its ping-restart runs out. A request that the
// interface does not confirm is sent again on a new connection until the Connection Timeout
// from the change, and then as the restart signal where the platform has one.
class VpnManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ isConnected NOTIFY connectedChanged)
    Q_PROPERTY(bool connecting READ isConnecting NOTIFY connectingChanged)
    Q_PROPERTY(bool disconnecting READ isDisconnecting NOTIFY disconnectingChanged)
    Q_PROPERTY(bool disconnected READ isDisconnected NOTIFY disconnectedChanged)
    Q_PROPERTY(QString privateIp READ privateIp NOTIFY privateIpChanged)
    // Why the last attempt failed or the last tunnel was lost, as one sentence for the user;
    // empty while nothing has failed, from the start of an attempt and after a disconnect.
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    // The options that an attempt takes when it starts; a change applies to the next one.
    // The kill switch keeps OpenVPN's tunnel device and routes while it reconnects.
    Q_PROPERTY(bool killSwitch READ killSwitch WRITE setKillSwitch NOTIFY killSwitchChanged)
    // How long a stretch of connecting may last before the attempt is stopped; 0: no bound.
    Q_PROPERTY(int connectTimeoutMs READ connectTimeoutMs WRITE setConnectTimeoutMs NOTIFY
                   connectTimeoutMsChanged)

public:
    explicit VpnManager(QObject *parent = nullptr);
    ~VpnManager() override;

    bool isConnected() const { return m_connected; }
    bool isConnecting() const { return m_connecting; }
    bool isDisconnecting() const { return m_disconnecting; }
    bool isDisconnected() const { return m_disconnected; }
    QString privateIp() const { return m_privateIp; }
    QString lastError() const { return m_lastError; }
    bool killSwitch() const { return m_killSwitch; }
    void setKillSwitch(bool on);
    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    // A negative bound counts as none.
    void setConnectTimeoutMs(int milliseconds);

    // Validates the server's values, writes the session's files and starts OpenVPN.
    Q_INVOKABLE void connectVpn(const QString &host, const QString &port, const QString &cat,
                                const QString &user, const QString &pass);
    // Announces disconnecting and returns; OpenVPN is asked to end through its management
    // interface (by the termination signal where that interface does not take the request),
    // killed after a grace period if need be, and the flags are reset once it has gone.
    Q_INVOKABLE void disconnectVpn();
    // Kills OpenVPN and returns when it has ended and the flags are reset.
    Q_INVOKABLE void syncDisconnectVpn();

signals:
    void connectedChanged();
    void connectingChanged();
    void disconnectingChanged();
    void disconnectedChanged();
    void privateIpChanged();
    void lastErrorChanged();
    void killSwitchChanged();
    void connectTimeoutMsChanged();

private:
    enum class StopPhase {
        Idle,     // no background stop under way
        Grace,    // the polite request was sent; waiting for the child to end
        AfterKill // the child was killed; waiting for it to end
    };

    void onStarted();
    void onFinished();
    void onErrorOccurred(QProcess::ProcessError error);
    void onStandardOutput();
    void onStandardError();
    void handleOutputLine(const QString &segment);
    void examineRemainingOutput();
    void groupedReset();
    void pairedReset();
    void stopInBackground();
    void forgetAttempt();
    void endAttempt(ConnectionFailure::Ending ending);
    void setLastError(const QString &text);
    void startConnectBound();
    void onConnectTimeout();
    void onStopTimeout();
    void finishBackgroundStop();
    void completeBackgroundStop();
    void onStopRequestFailed(const QString &reason);
    void onNetworkChanged();
    void onRestartRequestFailed(const QString &reason);
    void onRestartTimeout();
    void endRestart();
    void removeSessionFiles();

    QProcess *vpnProcess = nullptr;
    bool m_connected = false;
    bool m_connecting = false;
    bool m_disconnecting = false;
    bool m_disconnected = true;
    QString m_privateIp;
    QString m_lastError;
    bool m_killSwitch = false;
    int m_connectTimeoutMs = 60000;
    // The attempt under way, until it has failed or the user stopped it.
    bool m_attemptWatched = false;
    ConnectionFailure::Diagnosis m_diagnosis;
    // Standard output of the child that has not yet received its line end.
    QByteArray m_partialOutput;
    QTimer m_connectTimer{this};
    QTimer m_stopTimer{this};
    StopPhase m_stopPhase = StopPhase::Idle;
    // The composed configuration of the current child, removed when it has ended.
    QString m_sessionConfigPath;
    // The management interface of the current child, which the stop and restart requests go to.
    SessionFiles::Management m_management;
    ManagementSignal m_stopRequest{this};
    ManagementSignal m_restartRequest{this};
    // A restart was asked for and is not confirmed yet; the timer bounds its tries.
    bool m_restartPending = false;
    bool m_restartLate = false;
    QTimer m_restartTimer{this};
    NetworkWatcher m_networkWatcher{this};
    // A background stop has ended and its completion is queued; a new child started before
    // the completion arrives cancels its reset.
    bool m_stopCompletionPending = false;
};
