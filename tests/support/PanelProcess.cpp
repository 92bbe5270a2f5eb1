#include "PanelProcess.h"

#include <QDeadlineTimer>

#ifdef Q_OS_WIN
#include <QHostAddress>
#endif

PanelProcess::PanelProcess(const QString &program, const QString &sourceDir,
                           const QStringList &options, QObject *parent)
    : QObject(parent), m_program(program),
      m_arguments(
          QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--cert"),
                      sourceDir + QStringLiteral("/demo/pki/server.crt"), QStringLiteral("--key"),
                      sourceDir + QStringLiteral("/demo/pki/server.key")} +
          options)
{
    connect(&m_output, &QIODevice::readyRead, this, &PanelProcess::readOutput);
}

#ifdef Q_OS_WIN

PanelProcess::~PanelProcess() = default;

bool PanelProcess::launch(QString *error)
{
    m_output.connectToHost(QHostAddress::LocalHost,
                           qEnvironmentVariableIntValue("CLIENTVPN_PANEL_LAUNCHER"));
    if (!m_output.waitForConnected(5000)) {
        *error = QStringLiteral("the panel launcher cannot be reached: ") + m_output.errorString();
        return false;
    }
    m_output.write((m_arguments.join(QLatin1Char('\n')) + QStringLiteral("\n\n")).toUtf8());
    return true;
}

bool PanelProcess::isRunning() const
{
    return m_output.state() == QAbstractSocket::ConnectedState;
}

#else

PanelProcess::~PanelProcess()
{
    if (m_output.state() == QProcess::NotRunning)
        return;
    m_output.terminate();
    if (!m_output.waitForFinished(3000))
        m_output.kill();
    m_output.waitForFinished(3000);
}

bool PanelProcess::launch(QString *)
{
    m_output.setProcessChannelMode(QProcess::MergedChannels);
    m_output.start(m_program, m_arguments);
    return true;
}

bool PanelProcess::isRunning() const
{
    return m_output.state() == QProcess::Running;
}

#endif

bool PanelProcess::start(QString *error)
{
    if (!launch(error))
        return false;
    const QString prefix = QStringLiteral("listening on ");
    const QDeadlineTimer deadline(10000);
    while (m_url.isEmpty() && !deadline.hasExpired()) {
        for (const QString &line : std::as_const(m_lines)) {
            if (line.startsWith(prefix))
                m_url = line.mid(prefix.size()).trimmed();
        }
        if (m_url.isEmpty() && !m_output.waitForReadyRead(int(deadline.remainingTime())))
            break;
        readOutput();
    }
    if (m_url.isEmpty()) {
        *error = QStringLiteral("the panel did not come up (%1): %2")
                     .arg(m_output.errorString(), output());
        return false;
    }
    return true;
}

int PanelProcess::requestCount(const QString &path)
{
    readOutput();
    const QString marker = QLatin1Char('"') + path + QLatin1Char('"');
    int count = 0;
    for (const QString &line : std::as_const(m_lines))
        count += line.contains(marker) ? 1 : 0;
    return count;
}

QString PanelProcess::output()
{
    readOutput();
    return m_lines.join(QLatin1Char('\n')) + QString::fromUtf8(m_unfinishedLine);
}

void PanelProcess::readOutput()
{
    m_unfinishedLine += m_output.readAll();
    for (qsizetype end = m_unfinishedLine.indexOf('\n'); end >= 0;
         end = m_unfinishedLine.indexOf('\n')) {
        m_lines.append(QString::fromUtf8(m_unfinishedLine.left(end)));
        m_unfinishedLine.remove(0, end + 1);
    }
}
