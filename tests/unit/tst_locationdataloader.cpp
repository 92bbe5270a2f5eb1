#include "LocationDataLoader.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QtTest>

class TestLocationDataLoader : public QObject
{
    Q_OBJECT

private:
    static QString dataDir()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
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
        QVERIFY(dataDir().startsWith(m_home->path()));
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
        QVERIFY(writeFileBytes(m_home->path() + QStringLiteral("/blocked"), "file"));
        qputenv("XDG_DATA_HOME", (m_home->path() + QStringLiteral("/blocked/share")).toUtf8());
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
};

QTEST_GUILESS_MAIN(TestLocationDataLoader)
#include "tst_locationdataloader.moc"
