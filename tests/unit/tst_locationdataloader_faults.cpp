// The location store against damaged files and folders, and killed in the middle of its
// writes: nothing crashes, a reader hands out a whole file or nothing, and every writer
// reports failure honestly.
#include "LocationDataLoader.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

QString dataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString dataFile(const QString &name)
{
    return dataDir() + QLatin1Char('/') + name;
}

#ifdef Q_OS_LINUX
// Makes a folder unwritable for this process while the object exists: read-only permissions,
// and for root, who is not bound by them, the immutable attribute.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(const QString &path) : m_path(path)
    {
        m_active = geteuid() == 0 ? setImmutable(true)
                                  : QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~UnwritableFolder()
    {
        if (geteuid() == 0)
            setImmutable(false);
        else
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool isActive() const { return m_active; }

private:
    bool setImmutable(bool on) const
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }

    QString m_path;
    bool m_active = false;
};
#endif

} // namespace

class TestLocationDataLoaderFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryHome> m_home;
    LocationDataLoader m_loader;

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Client"));
        QCoreApplication::setApplicationName(QStringLiteral("Client VPN"));
    }

    void init()
    {
        // The old home goes first: a new one would be made inside its temporary folder, and
        // removed with it.
        m_home.reset();
        m_home = std::make_unique<TemporaryHome>();
        QVERIFY(QDir().mkpath(dataDir()));
    }

    // Every prefix of a favourites file is read as the whole list or as nothing.
    void truncatedFavoritesAreAllOrNothing()
    {
        const QVariantList favorites = {
            QVariantMap{
                {"name", "Viết Nam"}, {"flag", "qrc:/assets/flags/VN.png"}, {"type", "Country"}},
            QVariantMap{{"name", "Tokyo"}, {"flag", "qrc:/assets/flags/JP.png"}, {"type", "City"}}};
        QVERIFY(m_loader.saveFavorites(favorites));
        const QByteArray whole = readFileBytes(dataFile(QStringLiteral("favorites.json")));
        const QVariantList expected = m_loader.loadFavorites();
        QCOMPARE(expected.size(), 2);

        LogCapture log;
        for (qsizetype length = 0; length < whole.size(); ++length) {
            QVERIFY(writeFileBytes(dataFile(QStringLiteral("favorites.json")), whole.left(length)));
            const QVariantList read = m_loader.loadFavorites();
            // Only the final line end may be missing from a file that still parses.
            const bool complete = whole.left(length).trimmed() == whole.trimmed();
            QVERIFY2(read == (complete ? expected : QVariantList()),
                     qPrintable(QString::number(length)));
        }
        QVERIFY(log.matching(QStringLiteral("[LocationDataLoader] Favorites JSON parse error:"))
                    .size() >= whole.size() - 2);
    }

    void locationListThatIsAFolder()
    {
        QVERIFY(QDir().mkpath(dataFile(QStringLiteral("location_data.json"))));
        LogCapture log;
        QVERIFY(m_loader.load().isEmpty());
        QVERIFY(!m_loader.save({QVariantMap{{"name", "A"}}}));
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for reading.")));
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for writing.")));
        QVERIFY(QFileInfo(dataFile(QStringLiteral("location_data.json"))).isDir());
    }

    void unwritableFolderFailsEveryWriter()
    {
#ifdef Q_OS_LINUX
        QVERIFY(m_loader.saveFavorites({QVariantMap { {"name", "Old"}, { "type", "City" } }}));
        const QByteArray before = readFileBytes(dataFile(QStringLiteral("favorites.json")));
        bool savedList = true, savedFavorites = true, savedConnection = true;
        {
            const UnwritableFolder unwritable(dataDir());
            if (!unwritable.isActive())
                QSKIP("the folder cannot be made unwritable here");
            LogCapture log;
            savedList = m_loader.save({QVariantMap { { "name", "A" } }});
            savedFavorites = m_loader.saveFavorites({QVariantMap {
                {"name", "New"},
                { "type",
                  "City" }
            }});
            savedConnection = m_loader.saveConnection({{ "name", "A" }});
            QCOMPARE(m_loader.loadFavorites().size(), 1);
            QVERIFY(log.contains(
                QStringLiteral("[LocationDataLoader] Failed to open favorites file for writing.")));
        }
        QVERIFY(!savedList);
        QVERIFY(!savedFavorites);
        QVERIFY(!savedConnection);
        QCOMPARE(readFileBytes(dataFile(QStringLiteral("favorites.json"))), before);
        QCOMPARE(QDir(dataDir()).entryList(QDir::Files), QStringList{"favorites.json"});
#else
        QSKIP("Linux folder attributes");
#endif
    }

    // A writer killed at random moments 200 times: both files always parse and hold a whole
    // generation, never an older one than before the kill.
    void killedWriterLeavesWholeFiles()
    {
#ifdef Q_OS_UNIX
        int lastGeneration = 0;
        int lastSaved = 0;
        for (int round = 0; round < 200; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER));
            // After its first whole round, so that every round gets somewhere.
            while (!writer.readAll().contains("saved"))
                QVERIFY(writer.waitForReadyRead());
            QThread::usleep(QRandomGenerator::global()->bounded(0, 20000));
            ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());

            const QByteArray favoritesBytes =
                readFileBytes(dataFile(QStringLiteral("favorites.json")));
            const QJsonDocument favorites = QJsonDocument::fromJson(favoritesBytes);
            QVERIFY2(favorites.isArray() && favorites.array().size() == 50,
                     favoritesBytes.constData());
            const int generation = favorites.array().last()[QLatin1String("generation")].toInt();
            for (const QJsonValue &record : favorites.array())
                QCOMPARE(record[QLatin1String("generation")].toInt(), generation);
            QVERIFY(generation > lastGeneration);
            lastGeneration = generation;

            // Saved after the favourites of its generation, so it may lag one behind them.
            const QString connectionPath = dataFile(QStringLiteral("connection.json"));
            const QJsonDocument connection = QJsonDocument::fromJson(readFileBytes(connectionPath));
            QVERIFY(connection.isObject());
            const int saved = connection.object()[QLatin1String("generation")].toInt();
            QVERIFY(saved >= lastSaved && saved >= generation - 1 && saved <= generation);
            lastSaved = saved;
        }
        QVERIFY(lastGeneration >= 200);
        std::printf("%d kills, last generation %d, %lld leftover temporary files\n", 200,
                    lastGeneration,
                    static_cast<long long>(QDir(dataDir()).entryList(QDir::Files).size() - 2));
#else
        QSKIP("needs SIGKILL");
#endif
    }
};

QTEST_GUILESS_MAIN(TestLocationDataLoaderFaults)
#include "tst_locationdataloader_faults.moc"
