#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <climits>
#include <cstdio>
#include <unistd.h>
#include <vector>

// Runs a test program inside tests/e2e/netns-fixture: a client network namespace of its
// own, joined by a veth pair (10.200.0.2 here, 10.200.0.1 there) to the namespace in which
// the five demo OpenVPN servers run. Linux only.
namespace NetnsFixture {

inline QString sourceDir()
{
    return QStringLiteral(CLIENTVPN_SOURCE_DIR);
}

// Why no tunnel can be made on this machine, or empty when it can.
inline QString unavailableReason()
{
    if (geteuid() != 0)
        return QStringLiteral("needs root to create network namespaces and tun devices");
    if (!QFileInfo::exists(QStringLiteral("/dev/net/tun")))
        return QStringLiteral("needs /dev/net/tun to create tun devices");
    return {};
}

inline bool isInside()
{
    return !qEnvironmentVariableIsEmpty("CLIENTVPN_E2E_NETNS");
}

inline QByteArray symLinkText(const QString &path)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return length > 0 ? QByteArray(buffer, int(length)) : QByteArray();
}

// Replaces this process by the fixture running this same executable with the same
// arguments, where tunnels can be made and the process is not inside yet; otherwise
// returns and the caller goes on (to skip with unavailableReason(), or to run inside).
inline void enter(int argc, char *argv[])
{
    if (isInside() || !unavailableReason().isEmpty())
        return;
    const QByteArray fixture =
        QFile::encodeName(sourceDir() + QStringLiteral("/tests/e2e/netns-fixture"));
    const QByteArray self = symLinkText(QStringLiteral("/proc/self/exe"));
    std::vector<char *> arguments = {const_cast<char *>(fixture.constData()),
                                     const_cast<char *>("--"),
                                     const_cast<char *>(self.constData())};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(fixture.constData(), arguments.data());
    std::perror("cannot run tests/e2e/netns-fixture");
    std::_Exit(1);
}

// Process ids of the openvpn processes in this process's network namespace (the servers
// run in another one).
inline QList<qint64> openvpnProcessesHere()
{
    const QByteArray ownNamespace = symLinkText(QStringLiteral("/proc/self/ns/net"));
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "openvpn")
            continue;
        if (symLinkText(QStringLiteral("/proc/%1/ns/net").arg(pid)) == ownNamespace)
            found.append(pid);
    }
    return found;
}

} // namespace NetnsFixture
