#include "JsonStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace JsonStore {

QVariantList toMapList(const QJsonArray &array)
{
    QVariantList list;
    list.reserve(array.size());
    for (const QJsonValue &value : array)
        list.append(value.toObject().toVariantMap());
    return list;
}

QJsonArray toObjectArray(const QVariantList &list)
{
    QJsonArray array;
    for (const QVariant &element : list)
        array.append(QJsonObject::fromVariantMap(element.toMap()));
    return array;
}

QJsonArray uniqueFavorites(const QVariantList &list, QStringList *skippedKeys)
{
    QJsonArray array;
    QSet<QString> seen;
    for (const QVariant &element : list) {
        const QVariantMap record = element.toMap();
        const QString key = record.value(QStringLiteral("name")).toString() + QLatin1Char('|') +
                            record.value(QStringLiteral("type")).toString();
        if (seen.contains(key)) {
            skippedKeys->append(key);
            continue;
        }
        seen.insert(key);
        array.append(QJsonObject::fromVariantMap(record));
    }
    return array;
}

bool readFile(const QString &path, QByteArray *content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return true;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size() && file.commit();
}

} // namespace JsonStore
