#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QTcpSocket>
#else
#include <QProcess>
#endif

// One running instance of the local account panel program, on a free loopback port with
// the demo certificate. Keeps what the panel prints, so that tests can count its requests
// and check what it logs.
//
// The panel is a Linux program. A Windows test, which runs under Wine, has it started by
// tests/support/panel-launcher (on the loopback port that CLIENTVPN_PANEL_LAUNCHER names),
// which passes the arguments and the output through one connection; closing it ends the panel.
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
    bool isRunning() const;
    // How many requests for this path the panel has logged so far.
    int requestCount(const QString &path);
    // Everything the program has written to either stream so far.
    QString output();

private:
    // Starts the panel; false, with the reason in *error, when that fails at once.
    bool launch(QString *error);
    // Reads what the panel has printed into whole lines.
    void readOutput();

    QString m_program;
    QStringList m_arguments;
#ifdef Q_OS_WIN
    QTcpSocket m_output;
#else
    QProcess m_output;
#endif
    QString m_url;
    QStringList m_lines;
    QByteArray m_unfinishedLine;
};
