#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

// Owns the OpenVPN child process and publishes the connection flags.
class VpnManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ isConnected NOTIFY connectedChanged)
    Q_PROPERTY(bool connecting READ isConnecting NOTIFY connectingChanged)
    Q_PROPERTY(bool disconnecting READ isDisconnecting NOTIFY disconnectingChanged)
    Q_PROPERTY(bool disconnected READ isDisconnected NOTIFY disconnectedChanged)
    Q_PROPERTY(QString privateIp READ privateIp NOTIFY privateIpChanged)

public:
    explicit VpnManager(QObject *parent = nullptr);

    bool isConnected() const { return m_connected; }
    bool isConnecting() const { return m_connecting; }
    bool isDisconnecting() const { return m_disconnecting; }
    bool isDisconnected() const { return m_disconnected; }
    QString privateIp() const { return m_privateIp; }

    Q_INVOKABLE void connectVpn(const QString &host, const QString &port, const QString &cat,
                                const QString &user, const QString &pass);
    Q_INVOKABLE void disconnectVpn();
    Q_INVOKABLE void syncDisconnectVpn();

signals:
    void connectedChanged();
    void connectingChanged();
    void disconnectingChanged();
    void disconnectedChanged();
    void privateIpChanged();

private:
    QProcess *vpnProcess = nullptr;
    bool m_connected = false;
    bool m_connecting = false;
    bool m_disconnecting = false;
    bool m_disconnected = true;
    QString m_privateIp;
};
