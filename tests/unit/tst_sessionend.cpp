#include "SessionEnd.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

// The end of the user's session as each platform announces it.
class TestSessionEnd : public QObject
{
    Q_OBJECT

private slots:
    // Linux: the termination signal at logout is announced once, and then ends the event loop.
    void terminationSignalEndsTheSession()
    {
#ifndef Q_OS_LINUX
        QSKIP("The termination signal is Linux's way of ending a session");
#endif
        SessionEnd session;
        QSignalSpy ending(&session, &SessionEnd::ending);
        QSignalSpy quitting(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(ending.count(), 1);
        QVERIFY(session.isEnding());
        QCOMPARE(quitting.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
