#include "AutoStart.h"

#include <QCoreApplication>
#include <QDebug>

AutoStart::AutoStart(QObject *parent) : QObject(parent) {}

bool AutoStart::setEnabled(bool on)
{
    const QString reason = apply(on, QCoreApplication::applicationFilePath());
    QString failure;
    if (reason.isEmpty()) {
        qInfo().noquote() << "[AutoStart]"
                          << (on ? "The program starts when the user logs on"
                                 : "The program no longer starts when the user logs on");
    } else {
        qWarning().noquote() << "[AutoStart] Could not" << (on ? "register" : "remove")
                             << "the start at logon:" << reason;
        failure = (on ? QStringLiteral("Client VPN could not be set to start when you log on: ")
                      : QStringLiteral("Client VPN could not be kept from starting when you "
                                       "log on: ")) +
                  reason;
    }
    if (failure != m_failure) {
        m_failure = failure;
        emit failureChanged();
    }
    return reason.isEmpty();
}

QByteArray AutoStart::desktopEntry(const QString &program)
{
    // Inside double quotes an argument escapes ", `, $ and \ with a backslash; the value as a
    // whole then escapes each backslash again, and % stands for a field code unless doubled.
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    quoted.replace(QLatin1String("\n"), QLatin1String("\\n"));
    quoted.replace(QLatin1String("\r"), QLatin1String("\\r"));
    quoted.replace(QLatin1String("\t"), QLatin1String("\\t"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Client VPN\n"
                          "Comment=Brings back the VPN tunnel that was up when you logged out\n"
                          "Exec=\"%1\"\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quoted)
        .toUtf8();
}

QString AutoStart::taskXml(const QString &program, const QString &user)
{
    // No time limit: the task scheduler would otherwise end the program after three days.
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
               "<Task version=\"1.2\" "
               "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
               "  <RegistrationInfo>\n"
               "    <Description>Starts Client VPN when you log on, so that it can bring back "
               "the tunnel that was up when you logged off.</Description>\n"
               "  </RegistrationInfo>\n"
               "  <Triggers>\n"
               "    <LogonTrigger>\n"
               "      <Enabled>true</Enabled>\n"
               "      <UserId>%2</UserId>\n"
               "    </LogonTrigger>\n"
               "  </Triggers>\n"
               "  <Principals>\n"
               "    <Principal id=\"Author\">\n"
               "      <UserId>%2</UserId>\n"
               "      <LogonType>InteractiveToken</LogonType>\n"
               "      <RunLevel>HighestAvailable</RunLevel>\n"
               "    </Principal>\n"
               "  </Principals>\n"
               "  <Settings>\n"
               "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
               "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
               "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
               "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
               "    <Enabled>true</Enabled>\n"
               "  </Settings>\n"
               "  <Actions Context=\"Author\">\n"
               "    <Exec>\n"
               "      <Command>%1</Command>\n"
               "    </Exec>\n"
               "  </Actions>\n"
               "</Task>\n")
        .arg(program.toHtmlEscaped(), user.toHtmlEscaped());
}
