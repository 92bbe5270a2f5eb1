#include "ManagementSignal.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkProxy>

namespace {

const QByteArray passwordPrompt = QByteArrayLiteral("ENTER PASSWORD:");
constexpr std::chrono::milliseconds retryInterval{100};
constexpr std::chrono::milliseconds drainBound{100};

} // namespace

ManagementSignal::ManagementSignal(QObject *parent) : QObject(parent)
{
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_bound.setSingleShot(true);
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryInterval);
    connect(&m_bound, &QTimer::timeout, this, &ManagementSignal::onBound);
    connect(&m_retry, &QTimer::timeout, this, &ManagementSignal::connectToInterface);
    connect(&m_socket, &QTcpSocket::readyRead, this, &ManagementSignal::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                // A timed-out look at the socket is the bound's own, not a fault.
                if (error == QAbstractSocket::SocketTimeoutError)
                    return;
                if (m_active && error == QAbstractSocket::ConnectionRefusedError)
                    m_retry.start();
                else
                    fail(m_socket.errorString());
            });
}

void ManagementSignal::start(quint16 port, const QByteArray &password, const QByteArray &signalName,
                             std::chrono::milliseconds bound)
{
    cancel();
    m_active = true;
    m_password = password;
    m_signalName = signalName;
    m_received.clear();
    m_passwordSent = false;
    m_commandSent = false;
    m_port = port;
    m_bound.start(bound);
    connectToInterface();
}

void ManagementSignal::connectToInterface()
{
    m_socket.abort();
    m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
}

void ManagementSignal::cancel()
{
    m_active = false;
    m_bound.stop();
    m_retry.stop();
    m_socket.abort();
}

void ManagementSignal::onReadyRead()
{
    m_received += m_socket.readAll();
    // The prompt has no line end: it waits on the line for the answer.
    const qsizetype prompt = m_received.indexOf(passwordPrompt);
    if (prompt >= 0) {
        if (m_passwordSent) {
            fail(QStringLiteral("the password was refused"));
            return;
        }
        m_received.remove(0, prompt + passwordPrompt.size());
        m_socket.write(m_password + '\n');
        m_passwordSent = true;
    }
    qsizetype end;
    while (m_active && (end = m_received.indexOf('\n')) >= 0) {
        const QByteArray line = m_received.left(end).trimmed();
        m_received.remove(0, end + 1);
        handleLine(line);
    }
}

void ManagementSignal::handleLine(const QByteArray &line)
{
    if (line.startsWith(">INFO:") && !m_commandSent) {
        m_socket.write("signal " + m_signalName + '\n');
        m_commandSent = true;
    } else if (line.startsWith("SUCCESS: signal " + m_signalName)) {
        cancel();
        emit confirmed();
    } else if (line.startsWith("ERROR:")) {
        fail(QString::fromUtf8(line));
    }
}

void ManagementSignal::fail(const QString &reason)
{
    if (!m_active)
        return;
    cancel();
    emit failed(reason);
}

// The bound's notification may come before those of answers that arrived in time, when the
// thread was busy: the exchange is first carried on with what the socket holds, waiting a
// moment for each further answer, so that a thread that was away does not count against
// OpenVPN.
void ManagementSignal::onBound()
{
    const QDeadlineTimer deadline(drainBound);
    while (m_active && m_socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    if (m_active && m_socket.bytesAvailable() > 0)
        onReadyRead();
    fail(QStringLiteral("no confirmation within %1 ms").arg(m_bound.interval()));
}
