#include "FileAccess.h"
#include "PrivateFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestPrivateFile : public QObject
{
    Q_OBJECT

private slots:
    // Replacing a file that everyone may read: neither the folder's access nor the old file's
    // carries over, and no temporary file stays.
    void onlyItsUserMayOpenTheFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("auth_alice.txt"));
        QVERIFY(writeFileBytes(path, "old\n"));

        QVERIFY(PrivateFile::write(path, QStringLiteral("alice\nsecret\n"), true));

        QCOMPARE(FileAccess::grantsBeyondItsUser(path), QStringList());
        QCOMPARE(readFileBytes(path), textModeBytes("alice\nsecret\n"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("auth_alice.txt")});
    }
};

QTEST_GUILESS_MAIN(TestPrivateFile)
#include "tst_privatefile.moc"
