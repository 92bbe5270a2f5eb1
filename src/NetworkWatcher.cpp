#include "NetworkWatcher.h"

#include <QDebug>
#include <QNetworkInterface>

#if defined(Q_OS_LINUX)
#include <QSocketNotifier>
#include <QtEndian>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

// In this order: Winsock 2 before the rest of Windows, its IP definitions before the IP Helper.
#include <winsock2.h>

#include <ws2ipdef.h>

#include <iphlpapi.h>
#endif

namespace {

constexpr int quietPeriodMs = 1000;

} // namespace

#if defined(Q_OS_LINUX)

namespace {

using Change = NetworkWatcher::Change;

QHostAddress addressFrom(int family, const rtattr *attribute)
{
    const auto *bytes = static_cast<const quint8 *>(RTA_DATA(attribute));
    if (family == AF_INET && RTA_PAYLOAD(attribute) == 4)
        return QHostAddress(qFromBigEndian<quint32>(bytes));
    if (family == AF_INET6 && RTA_PAYLOAD(attribute) == 16)
        return QHostAddress(bytes);
    return {};
}

Change addressChange(nlmsghdr *header)
{
    auto *message = static_cast<ifaddrmsg *>(NLMSG_DATA(header));
    Change change;
    change.kind = Change::Kind::Address;
    change.removed = header->nlmsg_type == RTM_DELADDR;
    change.interfaceIndex = int(message->ifa_index);
    change.temporary = message->ifa_family == AF_INET6 && (message->ifa_flags & IFA_F_TEMPORARY);
    int length = int(IFA_PAYLOAD(header));
    for (rtattr *attribute = IFA_RTA(message); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        // IPv4 gives the local address and, on a point-to-point link, the peer's.
        if (attribute->rta_type == IFA_LOCAL ||
            (attribute->rta_type == IFA_ADDRESS && change.address.isNull())) {
            change.address = addressFrom(message->ifa_family, attribute);
        } else if (attribute->rta_type == IFA_LABEL) {
            const auto *label = static_cast<const char *>(RTA_DATA(attribute));
            change.interfaceName = QString::fromUtf8(label, qstrnlen(label, RTA_PAYLOAD(attribute)))
                                       .section(QLatin1Char(':'), 0, 0);
        }
    }
    return change;
}

Change routeChange(nlmsghdr *header)
{
    auto *message = static_cast<rtmsg *>(NLMSG_DATA(header));
    Change change;
    change.kind = Change::Kind::Route;
    change.removed = header->nlmsg_type == RTM_DELROUTE;
    change.prefixLength = message->rtm_dst_len;
    int length = int(RTM_PAYLOAD(header));
    for (rtattr *attribute = RTM_RTA(message); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type == RTA_OIF && RTA_PAYLOAD(attribute) == sizeof(int))
            change.interfaceIndex = *static_cast<const int *>(RTA_DATA(attribute));
    }
    return change;
}

// The changes that one datagram of the kernel describes; routes that carry no traffic of
// their own (blackhole, unreachable, the kernel's cached ones) are left out.
QList<Change> changesIn(char *datagram, ssize_t size)
{
    QList<Change> changes;
    int remaining = int(size);
    for (auto *header = reinterpret_cast<nlmsghdr *>(datagram); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == RTM_NEWADDR || header->nlmsg_type == RTM_DELADDR) {
            changes.append(addressChange(header));
        } else if (header->nlmsg_type == RTM_NEWROUTE || header->nlmsg_type == RTM_DELROUTE) {
            const auto *message = static_cast<const rtmsg *>(NLMSG_DATA(header));
            if (message->rtm_type == RTN_UNICAST && !(message->rtm_flags & RTM_F_CLONED))
                changes.append(routeChange(header));
        }
    }
    return changes;
}

} // namespace

// A netlink socket on the groups of IPv4 and IPv6 addresses and IPv4 routes, read on the
// watcher's thread. It needs no daemon and sees the network namespace it was opened in.
struct NetworkWatcher::Platform
{
    explicit Platform(NetworkWatcher *watcher) : watcher(watcher) {}
    ~Platform()
    {
        notifier.reset();
        if (socket >= 0)
            ::close(socket);
    }

    // Empty when it listens, else why not.
    QString open()
    {
        socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        if (socket < 0)
            return qt_error_string(errno);
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        local.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE;
        if (::bind(socket, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0)
            return qt_error_string(errno);
        notifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, watcher, [this] { read(); });
        return {};
    }

    void read()
    {
        alignas(nlmsghdr) char datagram[32768];
        for (;;) {
            const ssize_t size = ::recv(socket, datagram, sizeof datagram, 0);
            if (size > 0) {
                for (const Change &change : changesIn(datagram, size))
                    watcher->note(change);
            } else if (size < 0 && errno == ENOBUFS) {
                watcher->note({}); // the kernel dropped notifications: something changed
            } else {
                return;
            }
        }
    }

    NetworkWatcher *watcher;
    int socket = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

#elif defined(Q_OS_WIN)

// The IP Helper's notifications of unicast addresses and IPv4 routes, which arrive on threads
// of the system and are queued to the watcher's thread, and the resume broadcast that the
// application's windows receive.
struct NetworkWatcher::Platform : QAbstractNativeEventFilter
{
    explicit Platform(NetworkWatcher *watcher) : watcher(watcher) {}
    ~Platform() override
    {
        // Waits for a callback under way, so none reaches a watcher that is gone.
        for (HANDLE handle : {addressHandle, routeHandle}) {
            if (handle)
                CancelMibChangeNotify2(handle);
        }
        if (QCoreApplication *application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }

    QString open()
    {
        if (QCoreApplication *application = QCoreApplication::instance())
            application->installNativeEventFilter(this);
        DWORD error = NotifyUnicastIpAddressChange(AF_UNSPEC, &Platform::onAddress, this, FALSE,
                                                   &addressHandle);
        if (error == NO_ERROR)
            error = NotifyRouteChange2(AF_INET, &Platform::onRoute, this, FALSE, &routeHandle);
        return error == NO_ERROR ? QString() : qt_error_string(int(error));
    }

    void post(const Change &change)
    {
        QMetaObject::invokeMethod(
            watcher, [target = watcher, change] { target->note(change); }, Qt::QueuedConnection);
    }

    static void WINAPI onAddress(void *context, MIB_UNICASTIPADDRESS_ROW *row,
                                 MIB_NOTIFICATION_TYPE type)
    {
        if (!row)
            return;
        Change change;
        change.kind = Change::Kind::Address;
        change.removed = type == MibDeleteInstance;
        change.interfaceIndex = int(row->InterfaceIndex);
        change.address = QHostAddress(reinterpret_cast<const sockaddr *>(&row->Address));
        change.temporary =
            row->Address.si_family == AF_INET6 && row->SuffixOrigin == IpSuffixOriginRandom;
        static_cast<Platform *>(context)->post(change);
    }

    static void WINAPI onRoute(void *context, MIB_IPFORWARD_ROW2 *row, MIB_NOTIFICATION_TYPE type)
    {
        if (!row)
            return;
        Change change;
        change.kind = Change::Kind::Route;
        change.removed = type == MibDeleteInstance;
        change.interfaceIndex = int(row->InterfaceIndex);
        change.prefixLength = row->DestinationPrefix.PrefixLength;
        static_cast<Platform *>(context)->post(change);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_POWERBROADCAST &&
            msg->wParam == PBT_APMRESUMEAUTOMATIC)
            watcher->note({});
        return false;
    }

    NetworkWatcher *watcher;
    HANDLE addressHandle = nullptr;
    HANDLE routeHandle = nullptr;
};

#else

struct NetworkWatcher::Platform
{
    explicit Platform(NetworkWatcher *) {}
    QString open() { return QStringLiteral("not available on this platform"); }
};

#endif

NetworkWatcher::NetworkWatcher(QObject *parent) : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietPeriodMs);
    connect(&m_quiet, &QTimer::timeout, this, &NetworkWatcher::onQuiet);
}

NetworkWatcher::~NetworkWatcher() = default;

void NetworkWatcher::start()
{
    stop();
    m_running = true;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &networkInterface : interfaces) {
        const QString name = networkInterface.humanReadableName();
        m_interfaceNames.insert(networkInterface.index(), name);
        for (const QNetworkAddressEntry &entry : networkInterface.addressEntries())
            m_knownAddresses.insert(addressKey(name, entry.ip()));
    }
    m_platform = std::make_unique<Platform>(this);
    const QString failure = m_platform->open();
    if (!failure.isEmpty()) {
        qWarning().noquote() << "[VPN] Network changes are not watched:" << failure;
        m_platform.reset();
    }
}

void NetworkWatcher::stop()
{
    m_platform.reset();
    m_running = false;
    m_quiet.stop();
    m_pending.clear();
    m_knownAddresses.clear();
    m_interfaceNames.clear();
    m_tunnelDevice.clear();
}

void NetworkWatcher::note(Change change)
{
    if (!m_running)
        return;
    // Looked up now: the interface may be gone by the end of the quiet period.
    if (change.interfaceName.isEmpty() && change.interfaceIndex > 0)
        change.interfaceName = interfaceName(change.interfaceIndex);
    m_pending.append(change);
    m_quiet.start();
}

QString NetworkWatcher::interfaceName(int index)
{
    const QString name = QNetworkInterface::interfaceFromIndex(index).humanReadableName();
    if (!name.isEmpty())
        m_interfaceNames.insert(index, name);
    return m_interfaceNames.value(index);
}

void NetworkWatcher::onQuiet()
{
    bool changed = false;
    for (const Change &change : std::as_const(m_pending)) {
        changed = counts(change, m_tunnelDevice, m_knownAddresses) || changed;
        if (change.kind == Change::Kind::Address) {
            const QString key = addressKey(change.interfaceName, change.address);
            if (change.removed)
                m_knownAddresses.remove(key);
            else
                m_knownAddresses.insert(key);
        }
    }
    m_pending.clear();
    if (changed)
        emit networkChanged();
}

bool NetworkWatcher::counts(const Change &change, const QString &tunnelDevice,
                            const QSet<QString> &knownAddresses)
{
    if (change.kind == Change::Kind::Other)
        return true;
    if (!tunnelDevice.isEmpty() && change.interfaceName == tunnelDevice)
        return false;
    if (change.kind == Change::Kind::Route)
        return !change.removed && change.prefixLength == 0;
    if (change.address.isNull() || change.address.isLoopback() || change.address.isLinkLocal() ||
        change.temporary)
        return false;
    return change.removed ||
           !knownAddresses.contains(addressKey(change.interfaceName, change.address));
}

QString NetworkWatcher::addressKey(const QString &interfaceName, const QHostAddress &address)
{
    return interfaceName + QLatin1Char(' ') + address.toString();
}
