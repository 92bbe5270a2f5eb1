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
    // A new file, and one that replaces a file that everyone may read: the folder's and the
    // old file's access do not carry over, not even for a moment, and no temporary file stays.
    void onlyItsUserMayOpenTheFile_data()
    {
        QTest::addColumn<bool>("earlierFile");
        QTest::addColumn<bool>("platformLineEnds");
        QTest::newRow("new, platform line ends") << false << true;
        QTest::newRow("replacing a readable file, LF") << true << false;
    }

    void onlyItsUserMayOpenTheFile()
    {
        QFETCH(bool, earlierFile);
        QFETCH(bool, platformLineEnds);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("auth_alice.txt"));
        if (earlierFile)
            QVERIFY(writeFileBytes(path, "old\n"));

        QVERIFY(PrivateFile::write(path, QStringLiteral("alice\nsecret\n"), platformLineEnds));

        QCOMPARE(FileAccess::grantsBeyondItsUser(path), QStringList());
        const QByteArray content("alice\nsecret\n");
        QCOMPARE(readFileBytes(path), platformLineEnds ? textModeBytes(content) : content);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("auth_alice.txt")});
    }
};

QTEST_GUILESS_MAIN(TestPrivateFile)
#include "tst_privatefile.moc"
