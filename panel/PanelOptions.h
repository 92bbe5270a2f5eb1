#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// The panel program's command line.
struct PanelOptions
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    // 0 picks a free port; the ready line names the one taken.
    quint16 port = 8443;
    QString certificateFile;
    QString keyFile;
    QString directoryFile;
    QString accountsFile;
    // Test options: answer every request late, never, or with a fixed status, or answer
    // well-formed sign-in requests with the bytes of a file.
    int delayMs = 0;
    bool noReply = false;
    int forcedStatus = 0;
    QString authBodyFile;

    // Reads the arguments (the program name first). Returns false with the reason in
    // *error, or with an empty *error and the usage in *help when help was asked for.
    static bool parse(const QStringList &arguments, PanelOptions *options, QString *error,
                      QString *help);
};
