#include "OpenVpnProgram.h"

#include <QDir>
#include <QTest>

using OpenVpnProgram::Registration;

Q_DECLARE_METATYPE(Registration)

class TestOpenVpnProgram : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<Registration>("registration");
        QTest::addColumn<QString>("systemProgram");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("chosen");
        // Absolute on every platform: "C:/..." on Windows, "/..." elsewhere.
        const QString root = QDir::rootPath();
        const QString beside = root + "Client VPN/openvpn.exe";
        const QString folder = root + "Program Files/OpenVPN/";
        const QString registered = root + "Tools/OpenVPN/openvpn.exe";
        const QString inFolder = folder + "bin/openvpn.exe";
        const Registration both{registered, folder};

        QTest::newRow("beside, although registered")
            << both << QString() << QStringList{beside, registered, inFolder} << beside;
        QTest::newRow("registered exe_path")
            << both << QString() << QStringList{registered, inFolder} << registered;
        QTest::newRow("default value only")
            << Registration{QString(), folder} << QString() << QStringList{inFolder} << inFolder;
        QTest::newRow("exe_path names no file")
            << both << QString() << QStringList{inFolder} << inFolder;
        QTest::newRow("relative paths do not count")
            << Registration{"openvpn.exe", "OpenVPN"} << QString()
            << QStringList{"openvpn.exe", "OpenVPN/bin/openvpn.exe"} << QString();
        QTest::newRow("the system's, after the registered")
            << both << "/usr/sbin/openvpn" << QStringList{"/usr/sbin/openvpn"}
            << "/usr/sbin/openvpn";
        QTest::newRow("nothing") << both << "/usr/sbin/openvpn" << QStringList() << QString();
    }

    void choice()
    {
        QFETCH(Registration, registration);
        QFETCH(QString, systemProgram);
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        const QString beside = QDir::rootPath() + "Client VPN/openvpn.exe";
        const QStringList places = OpenVpnProgram::places(beside, registration, systemProgram);
        QCOMPARE(OpenVpnProgram::choose(
                     places, [&](const QString &place) { return files.contains(place); }),
                 chosen);
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnProgram)
#include "tst_openvpnprogram.moc"
