#include "CredentialFile.h"
#include "CredentialHelper.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QtTest>

class TestCredentialHelper : public QObject
{
    Q_OBJECT

private:
    const QString m_authPath = QCoreApplication::applicationDirPath() + QStringLiteral("/auth.txt");
    CredentialHelper m_helper;

private slots:
    void init()
    {
        QFile::remove(m_authPath);
        QDir(m_authPath).removeRecursively();
    }

    void cleanupTestCase() { init(); }

    void writesUserAndPasswordLines_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << "demo"
                               << "demo1234" << QByteArray("demo\ndemo1234\n");
        QTest::newRow("empty password") << "demo"
                                        << "" << QByteArray("demo\n\n");
        QTest::newRow("verbatim, not trimmed")
            << " ann "
            << "p&ss=#+ wörd" << QByteArray(" ann \np&ss=#+ w\xc3\xb6rd\n");
    }

    void writesUserAndPasswordLines()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QByteArray, expected);
        LogCapture log;

        m_helper.writeAuthFile(user, password);

        QCOMPARE(readFileBytes(m_authPath), expected);
        QVERIFY(log.contains(
            QStringLiteral("[CredentialHelper] auth.txt written at \"%1\"").arg(m_authPath)));
    }

    void aSecondSignInReplacesTheFirst()
    {
        m_helper.writeAuthFile(QStringLiteral("first-account"),
                               QStringLiteral("a much longer password"));
        m_helper.writeAuthFile(QStringLiteral("second"), QStringLiteral("pw"));
        QCOMPARE(readFileBytes(m_authPath), QByteArray("second\npw\n"));
    }

    void onlyTheOwnerMayReadTheFile()
    {
        QFile stale(m_authPath);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QVERIFY(stale.setPermissions(stale.permissions() | QFileDevice::ReadOther |
                                     QFileDevice::ReadGroup));

        m_helper.writeAuthFile(QStringLiteral("demo"), QStringLiteral("secret"));

#ifdef Q_OS_UNIX
        const QFileDevice::Permissions permissions = QFile::permissions(m_authPath);
        QVERIFY(permissions.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(permissions & others, QFileDevice::Permissions());
#endif
        QCOMPARE(readFileBytes(m_authPath), QByteArray("demo\nsecret\n"));
    }

    void aFailedWriteIsLoggedAndKeepsTheEarlierFile()
    {
#ifdef Q_OS_LINUX
        m_helper.writeAuthFile(QStringLiteral("demo"), QStringLiteral("demo1234"));
        LogCapture log;

        {
            const FileSizeLimit limit(4);
            QVERIFY(limit.isActive());
            m_helper.writeAuthFile(QStringLiteral("another-user"),
                                   QStringLiteral("another-password"));
        }

        QCOMPARE(readFileBytes(m_authPath), QByteArray("demo\ndemo1234\n"));
        QVERIFY(log.contains(QStringLiteral("[CredentialHelper] Failed to write auth.txt")));
        QVERIFY(log.matching(QStringLiteral("[CredentialHelper] auth.txt written")).isEmpty());
#else
        QSKIP("needs a file size limit to simulate a full disk");
#endif
    }

    void aPathThatIsAFolderCannotBeWritten()
    {
        QVERIFY(QDir().mkpath(m_authPath));
        LogCapture log;
        m_helper.writeAuthFile(QStringLiteral("demo"), QStringLiteral("demo1234"));
        QVERIFY(log.contains(QStringLiteral("[CredentialHelper] Failed to write auth.txt")));
    }

    void deleteRemovesTheFileAndIsSilentWithoutOne()
    {
        LogCapture log;
        m_helper.deleteAuthFile();
        QVERIFY(log.lines().isEmpty());

        m_helper.writeAuthFile(QStringLiteral("demo"), QStringLiteral("demo1234"));
        log.clear();
        m_helper.deleteAuthFile();
        QVERIFY(!QFile::exists(m_authPath));
        QCOMPARE(log.lines(), QStringList{"[CredentialHelper] auth.txt deleted"});
    }

    void platformLineEndsForPerUserFiles()
    {
        TemporaryHome home;
        const QString path = home.path() + QStringLiteral("/auth_alice.txt");
        QVERIFY(CredentialFile::write(path, QStringLiteral("alice"), QStringLiteral("pw"),
                                      CredentialFile::LineEnds::Platform));
        QCOMPARE(readFileBytes(path), textModeBytes("alice\npw\n"));
        QVERIFY(!CredentialFile::write(home.path() + QStringLiteral("/missing/dir/auth_x.txt"),
                                       QStringLiteral("x"), QStringLiteral("y"),
                                       CredentialFile::LineEnds::Platform));
    }
};

QTEST_GUILESS_MAIN(TestCredentialHelper)
#include "tst_credentialhelper.moc"
