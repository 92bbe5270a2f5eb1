#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// One running instance of the local account panel program, on a free loopback port with
// the demo certificate. Keeps what the panel prints, so that tests can count its requests
// and check what it logs.
class PanelProcess : public QObject
{
    Q_OBJECT

public:
    // `options` come after the demo certificate and key, e.g. "--directory", a file.
    PanelProcess(const QString &program, const QString &sourceDir, const QStringList &options,
                 QObject *parent = nullptr);
    ~PanelProcess() override;

    // Starts the program and waits for its "listening on" line. Returns false, with the
    // reason in *error, when it does not come up.
    bool start(QString *error);
    QString url() const { return m_url; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // How many requests for this path the panel has logged so far.
    int requestCount(const QString &path);
    // Everything the program has written to either stream so far.
    QString output();

private:
    void readLog();

    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
    QString m_url;
    QByteArray m_standardOutput;
    QStringList m_log;
    QByteArray m_unfinishedLine;
};
