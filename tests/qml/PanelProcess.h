#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// One running instance of the local account panel program, on a free loopback port with
// the demo certificate. Keeps the panel's request log so that tests can count requests.
class PanelProcess : public QObject
{
    Q_OBJECT

public:
    PanelProcess(const QString &program, const QStringList &arguments, QObject *parent = nullptr);
    ~PanelProcess() override;

    // Starts the program and waits for its "listening on" line. Returns false, with the
    // reason in *error, when it does not come up.
    bool start(QString *error);
    QString url() const { return m_url; }
    // How many requests for this path the panel has logged so far.
    int requestCount(const QString &path);

private:
    void readLog();

    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
    QString m_url;
    QStringList m_log;
    QByteArray m_unfinishedLine;
};
