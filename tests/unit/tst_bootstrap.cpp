#include "TestEnvironment.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

// Runs the real program, and the same entry point with a main document that does not compile.
class TestBootstrap : public QObject
{
    Q_OBJECT

private:
    // Without a display on Linux; on Windows on the platform of its own, whose window takes the
    // close request that QProcess::terminate() posts.
    static QProcessEnvironment programEnvironment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
#else
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#endif
        return environment;
    }

private slots:
    void aMainDocumentThatFailsEndsTheProgramWithMinusOne()
    {
        TemporaryHome home;
        QProcess program;
        program.setProcessEnvironment(programEnvironment());
        program.start(QStringLiteral(BROKEN_PROGRAM_PATH), {});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(static_cast<signed char>(program.exitCode()), -1);
    }

    // Signed in already, so that the home screen shows; its log holds no script error or
    // QML warning, also from the exit.
    void theProgramStartsItsWindowAndKeepsRunning()
    {
        TemporaryHome home;
        {
            QSettings store(QStringLiteral("Client"), QStringLiteral("Client VPN"));
            store.setValue(QStringLiteral("isLoggedIn"), true);
            store.setValue(QStringLiteral("expiryDate"), QStringLiteral("2099-12-31"));
        }
        QProcess program;
        program.setProcessEnvironment(programEnvironment());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(PROGRAM_PATH), {});
        QVERIFY(program.waitForStarted());
        QVERIFY(!program.waitForFinished(3000));
        QCOMPARE(program.state(), QProcess::Running);
        // On Windows the request is a close message to the window, which a slow start (under
        // Wine) may not have made yet: it is sent again until the program ends.
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning ||
                                     (program.terminate(), program.waitForFinished(1000)),
                                 30000);

        const QString output = QString::fromUtf8(program.readAll());
        QVERIFY2(output.contains(QStringLiteral("QML debugging is enabled")), qPrintable(output));
        QVERIFY2(!output.contains(QStringLiteral("failed to load component")), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("[HomeScreen] Loaded:")), qPrintable(output));
        static const QRegularExpression faults(
            QStringLiteral("TypeError|ReferenceError|\\.qml:\\d+(:\\d+)?: |QProcess: Destroyed"));
        QVERIFY2(!faults.match(output).hasMatch(), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestBootstrap)
#include "tst_bootstrap.moc"
