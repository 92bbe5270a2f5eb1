#include "ConnectionFailure.h"

#include <QFile>
#include <QtTest>

using ConnectionFailure::Ending;

// What the user is told for each way an attempt can end, from what Debian's openvpn really
// printed (tests/data/openvpn-*.log, recorded by tests/e2e/capture-output and
// tests/e2e/capture-failures) and from a few hand-written outputs.
class TestConnectionFailure : public QObject
{
    Q_OBJECT

private:
    static QStringList capture(const QString &name)
    {
        QFile file(QFINDTESTDATA(QStringLiteral("../data/openvpn-%1.log").arg(name)));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            qFatal("cannot read the capture %s", qPrintable(name));
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    }

private slots:
    void sentenceForTheEnding_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<QString>("sentence");
        const QString refused = QStringLiteral("The server refused the user name or password.");
        const QString unreachable = QStringLiteral("The server could not be reached.");
        const QString unusable = QStringLiteral("This server's settings could not be used.");
        const QString lost = QStringLiteral("The connection was lost.");
        const QStringList connected = capture(QStringLiteral("default"));

        QTest::newRow("AUTH_FAILED") << capture("failure-auth-failed") << Ending::Ended << refused;
        QTest::newRow("connection refused, stopped at the bound")
            << capture("failure-refused") << Ending::Ended << unreachable;
        QTest::newRow("network unreachable")
            << capture("failure-unreachable") << Ending::Ended << unreachable;
        QTest::newRow("name not resolved")
            << capture("failure-unresolved") << Ending::Ended << unreachable;
        QTest::newRow("server certificate not trusted")
            << capture("failure-tls-failed") << Ending::Ended << unreachable;
        QTest::newRow("no answer before the bound")
            << QStringList{"Attempting to establish TCP connection with [AF_INET]10.0.0.1:1194"}
            << Ending::Ended << unreachable;
        QTest::newRow("OpenVPN refuses an option")
            << capture("failure-options-error") << Ending::Ended << unusable;
        QTest::newRow("session not prepared") << QStringList() << Ending::NotPrepared << unusable;
        QTest::newRow("OpenVPN not started") << QStringList() << Ending::NotStarted
                                             << QStringLiteral("OpenVPN could not be started.");
        QTest::newRow("OpenVPN not installed")
            << QStringList() << Ending::NotInstalled << QStringLiteral("OpenVPN is not installed.");
        QTest::newRow("connected, then stopped from outside") << connected << Ending::Ended << lost;
        QTest::newRow("refused once, then connected, then ended")
            << capture("failure-refused") + connected << Ending::Ended << lost;
        QTest::newRow("connected, then refused on renegotiation")
            << connected + QStringList{"AUTH: Received control message: AUTH_FAILED"}
            << Ending::Ended << refused;
    }

    void sentenceForTheEnding()
    {
        QFETCH(QStringList, lines);
        QFETCH(Ending, ending);
        QFETCH(QString, sentence);
        QCOMPARE(ConnectionFailure::sentence(ConnectionFailure::diagnose(lines, ending)), sentence);
    }
};

QTEST_GUILESS_MAIN(TestConnectionFailure)
#include "tst_connectionfailure.moc"
