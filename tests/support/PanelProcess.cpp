#include "PanelProcess.h"

#include <QDeadlineTimer>

PanelProcess::PanelProcess(const QString &program, const QString &sourceDir,
                           const QStringList &options, QObject *parent)
    : QObject(parent), m_program(program),
      m_arguments(
          QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--cert"),
                      sourceDir + QStringLiteral("/demo/pki/server.crt"), QStringLiteral("--key"),
                      sourceDir + QStringLiteral("/demo/pki/server.key")} +
          options)
{
    connect(&m_process, &QProcess::readyReadStandardError, this, &PanelProcess::readLog);
}

PanelProcess::~PanelProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

bool PanelProcess::start(QString *error)
{
    const QString prefix = QStringLiteral("listening on ");
    m_process.start(m_program, m_arguments);
    const QDeadlineTimer deadline(10000);
    while (m_url.isEmpty() && !deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QByteArray bytes = m_process.readLine();
            m_standardOutput += bytes;
            const QString line = QString::fromUtf8(bytes).trimmed();
            if (line.startsWith(prefix))
                m_url = line.mid(prefix.size());
        } else if (!m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            break;
        }
    }
    if (m_url.isEmpty()) {
        readLog();
        *error = QStringLiteral("the panel did not come up (%1): %2")
                     .arg(m_process.errorString(),
                          m_log.join(QLatin1Char(' ')) + QString::fromUtf8(m_unfinishedLine));
        return false;
    }
    return true;
}

int PanelProcess::requestCount(const QString &path)
{
    readLog();
    const QString marker = QLatin1Char('"') + path + QLatin1Char('"');
    int count = 0;
    for (const QString &line : m_log)
        count += line.contains(marker) ? 1 : 0;
    return count;
}

QString PanelProcess::output()
{
    readLog();
    m_standardOutput += m_process.readAllStandardOutput();
    return QString::fromUtf8(m_standardOutput) + m_log.join(QLatin1Char('\n')) +
           QString::fromUtf8(m_unfinishedLine);
}

void PanelProcess::readLog()
{
    m_unfinishedLine += m_process.readAllStandardError();
    for (qsizetype end = m_unfinishedLine.indexOf('\n'); end >= 0;
         end = m_unfinishedLine.indexOf('\n')) {
        m_log.append(QString::fromUtf8(m_unfinishedLine.left(end)));
        m_unfinishedLine.remove(0, end + 1);
    }
}
