// The location store's readers over arbitrary file content: the location list, the
// favourites and the last connection. A reader hands out exactly the records of a file that
// is a JSON document of the right kind and nothing otherwise, and never changes the file.
//
// Input: the content of the three files, separated by zero bytes.
#include "FuzzInput.h"
#include "JsonStore.h"
#include "LocationDataLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QString dataDir;

void writeFile(const QString &name, const QByteArray &content)
{
    QFile file(dataDir + QLatin1Char('/') + name);
    FuzzInput::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FuzzInput::check(file.write(content) == content.size());
}

QByteArray readFile(const QString &name)
{
    QByteArray content;
    FuzzInput::check(JsonStore::readFile(dataDir + QLatin1Char('/') + name, &content));
    return content;
}

// What a reader must hand out for `content`: the array's elements as maps (an element that
// is not an object as an empty map), or nothing.
QVariantList expectedList(const QByteArray &content)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return {};
    QVariantList list;
    for (const QJsonValue &value : document.array())
        list.append(value.isObject() ? value.toObject().toVariantMap() : QVariantMap());
    return list;
}

QVariantMap expectedMap(const QByteArray &content)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    return document.object().toVariantMap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInput::silenceLog();
    static QTemporaryDir home;
    FuzzInput::check(home.isValid());
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("Client"));
    QCoreApplication::setApplicationName(QStringLiteral("Client VPN"));
    dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    FuzzInput::check(dataDir.startsWith(home.path()) && QDir().mkpath(dataDir));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> parts = input.split('\0');
    const QByteArray list = parts.value(0);
    const QByteArray favorites = parts.value(1);
    const QByteArray connection = parts.mid(2).join('\0');
    writeFile(QStringLiteral("location_data.json"), list);
    writeFile(QStringLiteral("favorites.json"), favorites);
    writeFile(QStringLiteral("connection.json"), connection);

    LocationDataLoader loader;
    FuzzInput::check(loader.load() == expectedList(list));
    FuzzInput::check(loader.loadFavorites() == expectedList(favorites));
    FuzzInput::check(loader.loadConnection() == expectedMap(connection));

    FuzzInput::check(readFile(QStringLiteral("location_data.json")) == list);
    FuzzInput::check(readFile(QStringLiteral("favorites.json")) == favorites);
    FuzzInput::check(readFile(QStringLiteral("connection.json")) == connection);
    return 0;
}
