#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

// Tells when the machine's network has changed in a way that can break a tunnel: an address
// added to or taken from an interface other than the tunnel's own device, a new default
// route, or a resume from sleep. On Linux it reads a netlink socket (IPv4 and IPv6 addresses,
// IPv4 routes); on Windows it takes the IP Helper's address and route change notifications
// and the resume broadcast. A burst of changes (an interface going down and up, several
// addresses) makes one notification, once the network has been quiet for a second.
class NetworkWatcher : public QObject
{
    Q_OBJECT

public:
    // One change as the platform reports it.
    struct Change
    {
        enum class Kind {
            Address, // an address was added, taken away, or announced again
            Route,   // an IPv4 route was added, replaced or taken away
            Other    // a resume from sleep, or notifications that were lost
        };
        Kind kind = Kind::Other;
        bool removed = false;
        // The interface (on Windows its friendly name, as OpenVPN names its adapter); when
        // empty, the watcher looks up `interfaceIndex`.
        QString interfaceName;
        int interfaceIndex = 0;
        QHostAddress address;
        // An IPv6 privacy address, which the system replaces by itself every day or so.
        bool temporary = false;
        // Routes: the length of the destination's prefix, 0 for a default route.
        int prefixLength = -1;
    };

    explicit NetworkWatcher(QObject *parent = nullptr);
    ~NetworkWatcher() override;

    // Starts from the addresses the machine has now. Where the platform's notifications
    // cannot be had, it says so in the log and reports only what note() is given.
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    // The tunnel's own device, whose changes never count; empty while it is not known. It
    // applies to the changes still waiting for the quiet period too, since OpenVPN may name
    // its device after the device's first changes have arrived.
    void setTunnelDevice(const QString &name) { m_tunnelDevice = name; }
    // Takes one change while running; `networkChanged` follows once the network has been
    // quiet for a second, if any change since the last notification counts.
    void note(Change change);

    // Whether `change` can break a tunnel through `tunnelDevice`, given the addresses that
    // were there before it (keys made by addressKey): a resume or lost notifications; a new
    // address, or one taken away, on another interface, except loopback and link-local
    // addresses, which never carry a tunnel, and temporary IPv6 addresses, which come and go
    // on a network that stays; a default route added or replaced on another
    // interface. A known address announced again (its lifetime renewed) does not count, nor
    // does a route taken away alone, since its replacement is what counts: OpenVPN itself
    // removes the machine's default route when the server moves all traffic into the tunnel.
    static bool counts(const Change &change, const QString &tunnelDevice,
                       const QSet<QString> &knownAddresses);
    static QString addressKey(const QString &interfaceName, const QHostAddress &address);

signals:
    void networkChanged();

private:
    struct Platform;

    void onQuiet();
    QString interfaceName(int index);

    bool m_running = false;
    QString m_tunnelDevice;
    QSet<QString> m_knownAddresses;
    // Names of the interfaces seen, so that a change of one that is already gone is named.
    QHash<int, QString> m_interfaceNames;
    QList<Change> m_pending;
    QTimer m_quiet{this};
    std::unique_ptr<Platform> m_platform;
};
