#include "SecretMasking.h"
#include "SessionConfig.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestSessionConfig : public QObject
{
    Q_OBJECT

private slots:
    void composesEveryProfile_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key : {"default", "fastvpn", "goose", "pia", "surfshark"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    // Only the remote line and the credentials line change; every other line, comment and
    // inline element keeps its bytes and its place, first empty line and missing final line
    // end included.
    void composesEveryProfile()
    {
        QFETCH(QString, key);
        QFile file(QStringLiteral(":/ovpnfile/%1.ovpn").arg(key));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString profile = QString::fromUtf8(file.readAll());

        const QString composed =
            SessionConfig::compose(profile, QStringLiteral("203.0.113.7"), QStringLiteral("8443"),
                                   QStringLiteral("C:\\Client VPN\\auth.txt"));

        const QStringList before = profile.split(QLatin1Char('\n'));
        const QStringList after = composed.split(QLatin1Char('\n'));
        QCOMPARE(after.size(), before.size());
        static const QRegularExpression remoteLine(QStringLiteral(R"(^remote\s)"));
        int remotes = 0;
        int credentials = 0;
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (remoteLine.match(before.at(i)).hasMatch()) {
                QCOMPARE(after.at(i), QStringLiteral("remote 203.0.113.7 8443"));
                ++remotes;
            } else if (before.at(i).trimmed().startsWith(QLatin1String("auth-user-pass"))) {
                QCOMPARE(after.at(i), QStringLiteral("auth-user-pass \"C:/Client VPN/auth.txt\""));
                ++credentials;
            } else {
                QCOMPARE(after.at(i), before.at(i));
            }
        }
        QCOMPARE(remotes, 1);
        QCOMPARE(credentials, 1);
    }

    void rewritesRemoteAndCredentialsLines_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("expected");
        const QString auth = QStringLiteral("auth-user-pass \"/app/auth.txt\"");
        QTest::newRow("every remote line, words after the port kept")
            << "remote a.example 1 tcp\nremote b.example 2\nauth-user-pass\n"
            << "h"
            << "remote h 443 tcp\nremote h 443\n" + auth + "\n";
        QTest::newRow("remote-like directives and a remote without port untouched")
            << "remote-cert-tls server\nremote-random\nremote a.example\nauth-user-pass"
            << "h"
            << "remote-cert-tls server\nremote-random\nremote a.example\n" + auth;
        QTest::newRow("first credentials line replaced, path and indent too")
            << "  auth-user-pass old.txt\nverb 3\nauth-user-pass second.txt\n"
            << "h" << auth + "\nverb 3\nauth-user-pass second.txt\n";
        QTest::newRow("credentials line appended when missing") << "client\nremote a 1"
                                                                << "h"
                                                                << "client\nremote h 443\n" + auth;
        QTest::newRow("host taken literally") << "remote a 1\nauth-user-pass"
                                              << "h%1\\1$0&"
                                              << "remote h%1\\1$0& 443\n" + auth;
    }

    void rewritesRemoteAndCredentialsLines()
    {
        QFETCH(QString, profile);
        QFETCH(QString, host);
        QFETCH(QString, expected);
        QCOMPARE(SessionConfig::compose(profile, host, QStringLiteral("443"),
                                        QStringLiteral("/app/auth.txt")),
                 expected);
    }

    // Each directive is appended unless a line gives it, with or without the dashes.
    void killSwitchDirectives()
    {
        using SessionConfig::Platform;
        QCOMPARE(SessionConfig::withKillSwitch(QStringLiteral("client\nverb 3"), Platform::Other),
                 QStringLiteral("client\nverb 3\npersist-tun\n"));
        const QString given = QStringLiteral("  --persist-tun\r\n# block-outside-dns\n");
        QCOMPARE(SessionConfig::withKillSwitch(given, Platform::Windows),
                 given + QStringLiteral("block-outside-dns\n"));
    }

    void blankPortMeansDefault()
    {
        QCOMPARE(SessionConfig::effectivePort(QString()), QStringLiteral("1194"));
        QCOMPARE(SessionConfig::effectivePort(QStringLiteral("  ")), QStringLiteral("1194"));
        QCOMPARE(SessionConfig::effectivePort(QStringLiteral(" 443 ")), QStringLiteral(" 443 "));
    }

    void secretBlocksAreMaskedForTheLog_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("expected");
        QTest::newRow("static key hidden, CA kept")
            << "<ca>\nCERT\n</ca>\nkey-direction 1\n<tls-auth>\n#\nK1\nK2\n</tls-auth>\n"
            << "<ca>\nCERT\n</ca>\nkey-direction 1\n<tls-auth>\n[hidden]\n</tls-auth>\n";
        QTest::newRow("private key, tls-crypt and secret hidden, certificate kept")
            << "<cert>\nC\n</cert>\n<key>\nP\n</key>\n<tls-crypt>\nT\n</tls-crypt>\n<secret>\nS\n"
               "</secret>"
            << "<cert>\nC\n</cert>\n<key>\n[hidden]\n</key>\n<tls-crypt>\n[hidden]\n</tls-crypt>\n"
               "<secret>\n[hidden]\n</secret>";
        QTest::newRow("inline credentials hidden")
            << "<auth-user-pass>\nuser\npassword\n</auth-user-pass>"
            << "<auth-user-pass>\n[hidden]\n</auth-user-pass>";
        QTest::newRow("block never closed hidden to the end") << "verb 3\n<key>\nP1\nP2"
                                                              << "verb 3\n<key>\n[hidden]\n";
        QTest::newRow("nothing secret") << "client\nauth-user-pass \"/a/auth.txt\"\n"
                                        << "client\nauth-user-pass \"/a/auth.txt\"\n";
    }

    void secretBlocksAreMaskedForTheLog()
    {
        QFETCH(QString, config);
        QFETCH(QString, expected);
        QCOMPARE(SecretMasking::maskSecretBlocks(config), expected);
    }
};

QTEST_GUILESS_MAIN(TestSessionConfig)
#include "tst_sessionconfig.moc"
