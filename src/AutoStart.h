#pragma once

#include <QObject>
#include <QString>

// Starts the program when the user logs on, while Auto Connect is on. On Linux an XDG autostart
// entry, "$XDG_CONFIG_HOME/autostart/client-vpn.desktop"; on Windows a Task Scheduler task
// "Client VPN" for this user, at logon, with the highest privileges (the program asks for
// elevation, which a program started from the Run key would ask for at every logon).
class AutoStart : public QObject
{
    Q_OBJECT
    // Why the last change could not be made, as one sentence for the user; empty after a
    // change that was made.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

public:
    explicit AutoStart(QObject *parent = nullptr);

    QString failure() const { return m_failure; }
    // Registers the program (on) or removes its registration (off); false when that failed,
    // which is logged and put in `failure`.
    Q_INVOKABLE bool setEnabled(bool on);

    // The autostart entry that starts `program`, quoted as the desktop entry format asks.
    static QByteArray desktopEntry(const QString &program);
    // The task definition that starts `program` at the logon of `user` (DOMAIN\name).
    static QString taskXml(const QString &program, const QString &user);

signals:
    void failureChanged();

private:
    // The platform's half: makes the change, or returns why it could not.
    static QString apply(bool on, const QString &program);

    QString m_failure;
};
