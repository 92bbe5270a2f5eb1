#include "LocationDataLoader.h"

#include "JsonStore.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStandardPaths>

namespace {

const QString defaultListResource = QStringLiteral(":/assets/data/default_location_data.json");

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QByteArray indented(const QJsonDocument &document)
{
    return document.toJson(QJsonDocument::Indented);
}

// The log texts of one stored file, after the component prefix.
struct FileMessages
{
    const char *cannotOpen;
    const char *parseError;
    const char *wrongType;
};

// Reads and parses a stored file whose top level must be an array (or else an object).
// Logs the failure and returns false when the file cannot be read or is not such a document.
bool readDocument(const QString &path, const FileMessages &messages, bool wantArray,
                  QJsonDocument *document)
{
    QByteArray content;
    if (!JsonStore::readFile(path, &content)) {
        qDebug() << "[LocationDataLoader]" << messages.cannotOpen;
        return false;
    }
    QJsonParseError error;
    *document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "[LocationDataLoader]" << messages.parseError << error.errorString();
        return false;
    }
    if (wantArray ? !document->isArray() : !document->isObject()) {
        qDebug() << "[LocationDataLoader]" << messages.wrongType;
        return false;
    }
    return true;
}

} // namespace

LocationDataLoader::LocationDataLoader(QObject *parent) : QObject(parent) {}

QString LocationDataLoader::jsonFilePath() const
{
    const QString path = dataDirectory() + QStringLiteral("/location_data.json");
    qDebug() << "[LocationDataLoader] JSON file path:" << path;
    return path;
}

QString LocationDataLoader::favoritesFilePath() const
{
    const QString path = dataDirectory() + QStringLiteral("/favorites.json");
    qDebug() << "[LocationDataLoader] Favorites file path:" << path;
    return path;
}

QString LocationDataLoader::connectionFilePath() const
{
    const QString path = dataDirectory() + QStringLiteral("/connection.json");
    qDebug() << "[LocationDataLoader] Connection file path:" << path;
    return path;
}

QVariantList LocationDataLoader::load()
{
    if (!QFile::exists(jsonFilePath())) {
        qDebug() << "[LocationDataLoader] File does not exist. Creating from resource.";
        QByteArray defaults;
        if (!JsonStore::readFile(defaultListResource, &defaults)) {
            qDebug() << "[LocationDataLoader] Failed to open default resource file.";
        } else if (JsonStore::writeFile(jsonFilePath(), defaults)) {
            qDebug() << "[LocationDataLoader] Default file copied to app data location.";
        } else {
            qDebug() << "[LocationDataLoader] Failed to create file at:" << jsonFilePath();
        }
    }

    QJsonDocument document;
    if (!readDocument(
            jsonFilePath(),
            {"Failed to open file for reading.", "JSON parse error:", "JSON is not an array."},
            true, &document))
        return {};
    const QVariantList list = JsonStore::toMapList(document.array());
    qDebug() << "[LocationDataLoader] Loaded" << list.size() << "items.";
    return list;
}

bool LocationDataLoader::save(const QVariantList &data)
{
    const QJsonArray array = JsonStore::toObjectArray(data);
    qDebug() << "[LocationDataLoader] Save called with data:"
             << QJsonDocument(QJsonArray::fromVariantList(data)).toJson(QJsonDocument::Compact);
    if (!JsonStore::writeFile(jsonFilePath(), indented(QJsonDocument(array)))) {
        qDebug() << "[LocationDataLoader] Failed to open file for writing.";
        return false;
    }
    qDebug() << "[LocationDataLoader] Saved" << data.size() << "items.";
    return true;
}

QVariantList LocationDataLoader::loadFavorites()
{
    if (!QFile::exists(favoritesFilePath())) {
        qDebug() << "[LocationDataLoader] No favorites file found.";
        return {};
    }
    QJsonDocument document;
    if (!readDocument(favoritesFilePath(),
                      {"Failed to open favorites file for reading.",
                       "Favorites JSON parse error:", "Favorites JSON is not an array."},
                      true, &document))
        return {};
    const QVariantList list = JsonStore::toMapList(document.array());
    qDebug() << "[LocationDataLoader] Loaded" << list.size() << "favorite items.";
    return list;
}

bool LocationDataLoader::saveFavorites(const QVariantList &data)
{
    QStringList skipped;
    const QJsonArray array = JsonStore::uniqueFavorites(data, &skipped);
    for (const QString &key : skipped)
        qDebug() << "[LocationDataLoader] Skipped duplicate favorite:" << key;
    if (!JsonStore::writeFile(favoritesFilePath(), indented(QJsonDocument(array)))) {
        qDebug() << "[LocationDataLoader] Failed to open favorites file for writing.";
        return false;
    }
    qDebug() << "[LocationDataLoader] Saved" << array.size() << "unique favorite items.";
    return true;
}

QVariantMap LocationDataLoader::loadConnection()
{
    if (!QFile::exists(connectionFilePath())) {
        qDebug() << "[LocationDataLoader] No connection file found.";
        return {};
    }
    QJsonDocument document;
    if (!readDocument(connectionFilePath(),
                      {"Failed to open connection file for reading.",
                       "Connection JSON parse error:", "Connection JSON is not an object."},
                      false, &document))
        return {};
    return document.object().toVariantMap();
}

bool LocationDataLoader::saveConnection(const QVariantMap &data)
{
    const QJsonObject object = QJsonObject::fromVariantMap(data);
    if (!JsonStore::writeFile(connectionFilePath(), indented(QJsonDocument(object)))) {
        qDebug() << "[LocationDataLoader] Failed to open connection file for writing.";
        return false;
    }
    qDebug() << "[LocationDataLoader] Saved connection data.";
    return true;
}
