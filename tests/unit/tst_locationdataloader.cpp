#include "LocationDataLoader.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
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

#include <cstdio>

namespace {

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

class TestLocationDataLoader : public QObject
{
    Q_OBJECT

private:
    static QString dataDir()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    static QString dataFile(const char *name) { return dataDir() + QLatin1Char('/') + name; }
    static QVariantMap record(const QString &name, const QString &type)
    {
        return {{QStringLiteral("name"), name},
                {QStringLiteral("flag"), QStringLiteral("qrc:/assets/flags/SE.png")},
                {QStringLiteral("type"), type}};
    }

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
        QVERIFY(m_home->holds(dataDir()));
        QVERIFY(dataDir().endsWith(QStringLiteral("/Client/Client VPN")));
    }

    void defaultListResourceIsTheShippedFile()
    {
        const QByteArray defaults =
            readFileBytes(QStringLiteral(":/assets/data/default_location_data.json"));
        QCOMPARE(defaults.size(), 1014);
        QVERIFY(defaults.startsWith("[\r\n  {\r\n    \"name\": \"Auto Select\",\r\n"));
        QVERIFY(defaults.endsWith("\r\n  }\r\n]"));
        QCOMPARE(defaults.count("\r\n"), defaults.count("\n"));
    }

    void firstLoadSeedsTheListByteForByte()
    {
        LogCapture log;
        QVERIFY(!QDir(dataDir()).exists());

        const QVariantList list = m_loader.load();

        const QString path = dataDir() + QStringLiteral("/location_data.json");
        QCOMPARE(readFileBytes(path),
                 readFileBytes(QStringLiteral(":/assets/data/default_location_data.json")));
        QCOMPARE(list.size(), 10);
        QCOMPARE(list.first().toMap().value(QStringLiteral("name")).toString(),
                 QStringLiteral("Auto Select"));
        QCOMPARE(list.at(4).toMap().value(QStringLiteral("flag")).toString(),
                 QStringLiteral("qrc:/assets/flags/KR.png"));
        QCOMPARE(list.last().toMap().value(QStringLiteral("favorite")), QVariant(false));
        QVERIFY(log.contains(
            QStringLiteral("[LocationDataLoader] File does not exist. Creating from resource.")));
        QVERIFY(log.contains(
            QStringLiteral("[LocationDataLoader] Default file copied to app data location.")));
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] Loaded 10 items.")));
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] JSON file path: \"%1\"").arg(path)));

        log.clear();
        QVERIFY(writeFileBytes(path, "[]"));
        QVERIFY(m_loader.load().isEmpty());
        QVERIFY(!log.contains(
            QStringLiteral("[LocationDataLoader] File does not exist. Creating from resource.")));
    }

    void saveRewritesInTheIndentedForm()
    {
        const QVariantList list = m_loader.load();
        LogCapture log;
        QVERIFY(m_loader.save(list));

        const QByteArray written = readFileBytes(dataDir() + QStringLiteral("/location_data.json"));
        QVERIFY(!written.contains('\r'));
        QVERIFY(written.endsWith("]\n"));
        QVERIFY(written.startsWith("[\n    {\n        \"favorite\": false,\n        \"flag\": "
                                   "\"qrc:/assets/icons/ic_network_option.png\",\n        "
                                   "\"name\": \"Auto Select\"\n    },\n"));
        QCOMPARE(m_loader.load(), list);
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] Saved 10 items.")));
        QCOMPARE(
            log.matching(QStringLiteral("[LocationDataLoader] Save called with data: \"[{")).size(),
            1);
    }

    void favoritesAreUniqueByNameAndType_data()
    {
        QTest::addColumn<QVariantList>("input");
        QTest::addColumn<QStringList>("expectedKeys");
        QTest::addColumn<QStringList>("skipped");

        QTest::newRow("same name and type: first wins")
            << QVariantList{record("Sweden", "Country"), record("Norway", "Country"),
                            record("Sweden", "Country")}
            << QStringList{"Sweden|Country", "Norway|Country"} << QStringList{"Sweden|Country"};
        QTest::newRow("same name, city and country")
            << QVariantList{record("Singapore", "City"), record("Singapore", "Country")}
            << QStringList{"Singapore|City", "Singapore|Country"} << QStringList{};
        QTest::newRow("keys are case-sensitive")
            << QVariantList{record("sweden", "Country"), record("Sweden", "Country")}
            << QStringList{"sweden|Country", "Sweden|Country"} << QStringList{};
        QVariantMap untyped = record("Nowhere", QString());
        untyped.remove(QStringLiteral("type"));
        QTest::newRow("missing type counts as empty")
            << QVariantList{untyped, record("Nowhere", "")} << QStringList{"Nowhere|"}
            << QStringList{"Nowhere|"};
        QTest::newRow("empty list") << QVariantList{} << QStringList{} << QStringList{};
    }

    void favoritesAreUniqueByNameAndType()
    {
        QFETCH(QVariantList, input);
        QFETCH(QStringList, expectedKeys);
        QFETCH(QStringList, skipped);
        LogCapture log;

        QVERIFY(m_loader.saveFavorites(input));

        QStringList keys;
        for (const QVariant &element : m_loader.loadFavorites()) {
            const QVariantMap map = element.toMap();
            keys.append(map.value(QStringLiteral("name")).toString() + QLatin1Char('|') +
                        map.value(QStringLiteral("type")).toString());
        }
        QCOMPARE(keys, expectedKeys);
        QStringList skipLines;
        for (const QString &key : skipped)
            skipLines.append(
                QStringLiteral("[LocationDataLoader] Skipped duplicate favorite: \"%1\"").arg(key));
        QCOMPARE(log.matching(QStringLiteral("[LocationDataLoader] Skipped")), skipLines);
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] Saved %1 unique favorite items.")
                                 .arg(expectedKeys.size())));
    }

    void favoritesKeepEveryKeyInTheirOrder()
    {
        QVariantMap extra = record("Japan", "Country");
        extra.insert(QStringLiteral("favorite"), true);
        extra.insert(QStringLiteral("note"), QStringLiteral("extra key"));
        QVERIFY(m_loader.saveFavorites({extra}));

        QCOMPARE(m_loader.loadFavorites(), QVariantList{extra});
        const QByteArray written = readFileBytes(dataDir() + QStringLiteral("/favorites.json"));
        QVERIFY(written.indexOf("\"favorite\"") < written.indexOf("\"flag\""));
        QVERIFY(written.indexOf("\"name\"") < written.indexOf("\"note\""));
    }

    void brokenFilesYieldEmptyResultsAndStayUntouched_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expectedLine");

        QTest::newRow("favorites: object")
            << "favorites.json" << QByteArray("{\"name\": \"x\"}")
            << "[LocationDataLoader] Favorites JSON is not an array.";
        QTest::newRow("favorites: not JSON") << "favorites.json" << QByteArray("[{\"name\": ")
                                             << "[LocationDataLoader] Favorites JSON parse error:";
        QTest::newRow("list: object") << "location_data.json" << QByteArray("{}")
                                      << "[LocationDataLoader] JSON is not an array.";
        QTest::newRow("list: not JSON") << "location_data.json" << QByteArray("not json")
                                        << "[LocationDataLoader] JSON parse error:";
        QTest::newRow("connection: array")
            << "connection.json" << QByteArray("[]")
            << "[LocationDataLoader] Connection JSON is not an object.";
        QTest::newRow("connection: not JSON")
            << "connection.json" << QByteArray("{")
            << "[LocationDataLoader] Connection JSON parse error:";
    }

    void brokenFilesYieldEmptyResultsAndStayUntouched()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, expectedLine);
        const QString path = dataDir() + QLatin1Char('/') + fileName;
        QVERIFY(writeFileBytes(path, content));
        LogCapture log;

        if (fileName == QStringLiteral("favorites.json"))
            QVERIFY(m_loader.loadFavorites().isEmpty());
        else if (fileName == QStringLiteral("location_data.json"))
            QVERIFY(m_loader.load().isEmpty());
        else
            QVERIFY(m_loader.loadConnection().isEmpty());

        QVERIFY(!log.matching(expectedLine).isEmpty());
        QCOMPARE(readFileBytes(path), content);
    }

    void nonObjectElementsBecomeEmptyRecords()
    {
        QVERIFY(writeFileBytes(dataDir() + QStringLiteral("/favorites.json"),
                               "[{\"name\": \"A\", \"type\": \"City\"}, 42, \"text\"]"));
        const QVariantList list = m_loader.loadFavorites();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(1), QVariant(QVariantMap()));
        QCOMPARE(list.at(2), QVariant(QVariantMap()));
    }

    void missingFilesAreReportedNotCreated()
    {
        LogCapture log;
        QVERIFY(m_loader.loadFavorites().isEmpty());
        QVERIFY(m_loader.loadConnection().isEmpty());
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] No favorites file found.")));
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] No connection file found.")));
        QVERIFY(!QFile::exists(dataDir() + QStringLiteral("/favorites.json")));
        QVERIFY(!QFile::exists(dataDir() + QStringLiteral("/connection.json")));
    }

    void connectionRoundTrip()
    {
        const QVariantMap connection{{QStringLiteral("name"), QStringLiteral("Sweden")},
                                     {QStringLiteral("connected"), true},
                                     {QStringLiteral("port"), QStringLiteral("1194")}};
        LogCapture log;
        QVERIFY(m_loader.saveConnection(connection));
        QCOMPARE(m_loader.loadConnection(), connection);
        QVERIFY(log.contains(QStringLiteral("[LocationDataLoader] Saved connection data.")));
    }

    void writesIntoAFolderThatCannotBeCreatedFail()
    {
        // A regular file where the data folder's parent should be.
        QVERIFY(writeFileBytes(QFileInfo(dataDir()).path(), "file"));
        LogCapture log;

        QVERIFY(!m_loader.save({record("A", "City")}));
        QVERIFY(!m_loader.saveFavorites({record("A", "City")}));
        QVERIFY(!m_loader.saveConnection({{QStringLiteral("a"), 1}}));
        QVERIFY(m_loader.load().isEmpty());

        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for writing.")));
        QVERIFY(log.contains(
            QStringLiteral("[LocationDataLoader] Failed to open favorites file for writing.")));
        QVERIFY(log.contains(
            QStringLiteral("[LocationDataLoader] Failed to open connection file for writing.")));
        QVERIFY(!log.matching(QStringLiteral("[LocationDataLoader] Failed to create file at:"))
                     .isEmpty());
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for reading.")));
    }

    void aFailedWriteLeavesTheEarlierFileIntact()
    {
#ifdef Q_OS_LINUX
        QVariantList many;
        for (int i = 0; i < 200; ++i)
            many.append(record(QStringLiteral("Location %1").arg(i), QStringLiteral("City")));
        QVERIFY(m_loader.saveFavorites({record("Sweden", "Country")}));
        const QString path = dataDir() + QStringLiteral("/favorites.json");
        const QByteArray before = readFileBytes(path);

        bool saved = true;
        {
            // A disk that fills up half way through the write.
            const FileSizeLimit limit(1024);
            QVERIFY(limit.isActive());
            saved = m_loader.saveFavorites(many);
        }

        QVERIFY(!saved);
        QCOMPARE(readFileBytes(path), before);
        QCOMPARE(QDir(dataDir()).entryList(QDir::Files), QStringList{"favorites.json"});
#else
        QSKIP("needs a file size limit to simulate a full disk");
#endif
    }

    // Every prefix of a favourites file is read as the whole list or as nothing.
    void truncatedFavoritesAreAllOrNothing()
    {
        const QVariantList favorites = {
            QVariantMap{
                {"name", "Viết Nam"}, {"flag", "qrc:/assets/flags/VN.png"}, {"type", "Country"}},
            QVariantMap{{"name", "Tokyo"}, {"flag", "qrc:/assets/flags/JP.png"}, {"type", "City"}}};
        QVERIFY(m_loader.saveFavorites(favorites));
        const QByteArray whole = readFileBytes(dataFile("favorites.json"));
        const QVariantList expected = m_loader.loadFavorites();
        QCOMPARE(expected.size(), 2);

        LogCapture log;
        for (qsizetype length = 0; length < whole.size(); ++length) {
            QVERIFY(writeFileBytes(dataFile("favorites.json"), whole.left(length)));
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
        QVERIFY(QDir().mkpath(dataFile("location_data.json")));
        LogCapture log;
        QVERIFY(m_loader.load().isEmpty());
        QVERIFY(!m_loader.save({QVariantMap{{"name", "A"}}}));
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for reading.")));
        QVERIFY(
            log.contains(QStringLiteral("[LocationDataLoader] Failed to open file for writing.")));
        QVERIFY(QFileInfo(dataFile("location_data.json")).isDir());
    }

    void unwritableFolderFailsEveryWriter()
    {
#ifdef Q_OS_LINUX
        QVERIFY(m_loader.saveFavorites({QVariantMap { {"name", "Old"}, { "type", "City" } }}));
        const QByteArray before = readFileBytes(dataFile("favorites.json"));
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
        QCOMPARE(readFileBytes(dataFile("favorites.json")), before);
        QCOMPARE(QDir(dataDir()).entryList(QDir::Files), QStringList{"favorites.json"});
#else
        QSKIP("Linux folder attributes");
#endif
    }

    // A writer killed at random moments 200 times: both files always parse and hold a whole
    // generation, never an older one than before the kill.
    void killedWriterLeavesWholeFiles()
    {
        int lastGeneration = 0;
        int lastSaved = 0;
        for (int round = 0; round < 200; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER));
            // After its first whole round, so that every round gets somewhere.
            while (!writer.readAll().contains("saved"))
                QVERIFY(writer.waitForReadyRead());
            QThread::usleep(QRandomGenerator::global()->bounded(0, 20000));
            writer.kill();
            QVERIFY(writer.waitForFinished());

            const QByteArray favoritesBytes = readFileBytes(dataFile("favorites.json"));
            const QJsonDocument favorites = QJsonDocument::fromJson(favoritesBytes);
            QVERIFY2(favorites.isArray() && favorites.array().size() == 50,
                     favoritesBytes.constData());
            const int generation = favorites.array().last()[QLatin1String("generation")].toInt();
            for (const QJsonValue &record : favorites.array())
                QCOMPARE(record[QLatin1String("generation")].toInt(), generation);
            QVERIFY(generation > lastGeneration);
            lastGeneration = generation;

            // Saved after the favourites of its generation, so it may lag one behind them.
            const QString connectionPath = dataFile("connection.json");
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
    }
};

QTEST_GUILESS_MAIN(TestLocationDataLoader)
#include "tst_locationdataloader.moc"
