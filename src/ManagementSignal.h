#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

// Sends OpenVPN a signal through its management interface on a loopback port ("SIGTERM" to
// end, "SIGUSR1" to restart its connection): connects, answers the password prompt, waits for
// the greeting, sends "signal <name>" and waits for OpenVPN to confirm it. An interface that
// is not open yet is tried again until the bound; what OpenVPN has sent by the bound counts,
// even where a busy thread has not read it yet. Runs on the thread it lives on, blocking it
// only for a moment at the bound.
class ManagementSignal : public QObject
{
    Q_OBJECT

public:
    explicit ManagementSignal(QObject *parent = nullptr);

    // Starts the exchange; `confirmed` or `failed` follows, the latter at the latest at `bound`.
    void start(quint16 port, const QByteArray &password, const QByteArray &signalName,
               std::chrono::milliseconds bound);
    // Ends an exchange under way; no notification follows.
    void cancel();

signals:
    void confirmed();
    void failed(const QString &reason);

private:
    void connectToInterface();
    void onReadyRead();
    void handleLine(const QByteArray &line);
    void fail(const QString &reason);
    void onBound();

    QTcpSocket m_socket{this};
    QTimer m_bound{this};
    QTimer m_retry{this};
    bool m_active = false;
    quint16 m_port = 0;
    QByteArray m_password;
    QByteArray m_signalName;
    QByteArray m_received;
    bool m_passwordSent = false;
    bool m_commandSent = false;
};
