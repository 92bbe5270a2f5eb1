#include "AutoStart.h"

#include "TestEnvironment.h"

#include <QTest>

// The start at logon, with real files: the autostart entry in a temporary home on Linux, the
// task that the Task Scheduler keeps on Windows (under Wine, in the prefix's Tasks folder).
class TestAutoStart : public QObject
{
    Q_OBJECT

private:
    static QString registration()
    {
#ifdef Q_OS_WIN
        return QDir::fromNativeSeparators(qEnvironmentVariable("SystemRoot")) +
               QStringLiteral("/System32/Tasks/Client VPN");
#else
        return qEnvironmentVariable("XDG_CONFIG_HOME") +
               QStringLiteral("/autostart/client-vpn.desktop");
#endif
    }

private slots:
    void onAndOff()
    {
        TemporaryHome home;
        AutoStart autoStart;
        QVERIFY(autoStart.setEnabled(true));
        QVERIFY2(QFileInfo::exists(registration()), qPrintable(registration()));
#ifndef Q_OS_WIN
        // Wine keeps a task of its own making, without the trigger and principal given.
        QCOMPARE(readFileBytes(registration()),
                 AutoStart::desktopEntry(QCoreApplication::applicationFilePath()));
#endif
        QVERIFY(autoStart.setEnabled(true));
        QVERIFY(autoStart.setEnabled(false));
        QVERIFY(!QFileInfo::exists(registration()));
        QVERIFY(autoStart.setEnabled(false));
        QCOMPARE(autoStart.failure(), QString());
    }

    void desktopEntryQuotesTheProgram_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/opt/Client VPN/ClientVPN"
                               << "Exec=\"/opt/Client VPN/ClientVPN\"";
        QTest::newRow("reserved") << "/home/a\"b`c$d\\e%f/ClientVPN"
                                  << "Exec=\"/home/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f/ClientVPN\"";
        QTest::newRow("line break") << "/tmp/a\nb"
                                    << "Exec=\"/tmp/a\\nb\"";
    }

    void desktopEntryQuotesTheProgram()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        const QStringList lines = QString::fromUtf8(AutoStart::desktopEntry(program)).split('\n');
        QCOMPARE(lines.filter(QStringLiteral("Exec=")), QStringList{exec});
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
