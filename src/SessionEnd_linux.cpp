#include "SessionEnd.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler's end of the pair; the handler may do nothing but write to it.
int signalSocket = -1;

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSocket, &byte, 1);
}

} // namespace

// SIGTERM arrives through a socket pair, so that the session's end is handled on the event
// loop like any other event, and the program then ends as when its window is closed.
struct SessionEnd::Platform
{
    int sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous = {};
};

SessionEnd::SessionEnd(QObject *parent) : QObject(parent), m_platform(std::make_unique<Platform>())
{
    if (signalSocket != -1 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_platform->sockets) != 0) {
        qWarning() << "[Session] The termination signal cannot be watched";
        return;
    }
    signalSocket = m_platform->sockets[0];
    m_platform->notifier =
        std::make_unique<QSocketNotifier>(m_platform->sockets[1], QSocketNotifier::Read);
    connect(m_platform->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(m_platform->sockets[1], &byte, 1);
        note();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &m_platform->previous);
}

SessionEnd::~SessionEnd()
{
    if (!m_platform->notifier)
        return;
    ::sigaction(SIGTERM, &m_platform->previous, nullptr);
    signalSocket = -1;
    m_platform->notifier.reset();
    ::close(m_platform->sockets[0]);
    ::close(m_platform->sockets[1]);
}
