#include "DirectoryValues.h"

#include <QtTest>

class TestDirectoryValues : public QObject
{
    Q_OBJECT

private slots:
    void checksEachKindOfValue_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("usable");
        const auto add = [](const char *kind, const QString &value, bool usable) {
            QTest::addRow("%s %s", kind, qPrintable(QString(value).toUtf8().toPercentEncoding()))
                << QString::fromLatin1(kind) << value << usable;
        };
        for (const char *host : {"vpn.example.com", "203.0.113.7", "2001:db8::1", "my_host-1"})
            add("host", QString::fromLatin1(host), true);
        for (const char *host :
             {"", "a b", " vpn.example.com", "vpn.example.com\n", "x\"y", "x;y", "x/y"})
            add("host", QString::fromLatin1(host), false);
        add("host", QString(254, 'a'), false);
        for (const char *port : {"", "   ", "1", "65535", " 443 ", "0443"})
            add("port", QString::fromLatin1(port), true);
        for (const char *port : {"0", "65536", "123456", "\t443", "443\n", "4 43", "-1", "+1"})
            add("port", QString::fromLatin1(port), false);
        add("port", QStringLiteral("\u0661\u0662"), false); // digits, but not ASCII ones
        for (const char *name : {"default.ovpn", ".ovpn", "auth_ Bob Smith.txt", "auth_con.txt"})
            add("file", QString::fromLatin1(name), true);
        add("file", QStringLiteral("auth_\u00e9lise.txt"), true);
        for (const char *name :
             {"",       "../x.ovpn", "a/b.txt",  "a\\b.txt", "a..b",   "a<b",
              "a>b",    "a:b",       "a\"b",     "a|b",      "a?b",    "a*b",
              "a\x01z", "a\x7fz",    "CON.ovpn", "nul.txt",  "com1",   "LPT9 .txt",
              "name.",  "name ",     "COM0",     "lpt0.txt", "CONIN$", "conout$.ovpn"})
            add("file", QString::fromLatin1(name), false);
        add("file", QStringLiteral("COM\u00b9.txt"), false); // Windows counts ¹ ² ³ as digits
        add("file", QStringLiteral("lpt\u00b3"), false);
        add("line", QStringLiteral("p&ss w\u00f6rd"), true);
        add("line", QStringLiteral("a\nb"), false);
        add("line", QStringLiteral("a\rb"), false);
    }

    void checksEachKindOfValue()
    {
        QFETCH(QString, kind);
        QFETCH(QString, value);
        QFETCH(bool, usable);
        if (kind == QLatin1String("host"))
            QCOMPARE(DirectoryValues::isHost(value), usable);
        else if (kind == QLatin1String("port"))
            QCOMPARE(DirectoryValues::isPort(value), usable);
        else if (kind == QLatin1String("file"))
            QCOMPARE(DirectoryValues::isFileName(value), usable);
        else
            QCOMPARE(DirectoryValues::isSingleLine(value), usable);
    }

    void namesTheFirstUnusableValue()
    {
        const QString host = QStringLiteral("vpn.example.com");
        QCOMPARE(DirectoryValues::firstUnusable(host, QString(), QString(),
                                                QStringLiteral(" Default "), QString()),
                 QString());
        QCOMPARE(DirectoryValues::firstUnusable(host, QStringLiteral("0"), QStringLiteral("a/b"),
                                                QStringLiteral("x"), QStringLiteral("\n")),
                 QStringLiteral("port"));
        QCOMPARE(DirectoryValues::firstUnusable(host, QString(), QStringLiteral("pia"),
                                                QStringLiteral("a:b"), QStringLiteral("\n")),
                 QStringLiteral("user"));
    }
};

QTEST_GUILESS_MAIN(TestDirectoryValues)
#include "tst_directoryvalues.moc"
