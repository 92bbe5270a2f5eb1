#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>
#include <QVariantList>

// File and conversion helpers of the location store.
namespace JsonStore {

// The list as the store hands it out: one map per array element, an element that is not an
// object becoming an empty map.
QVariantList toMapList(const QJsonArray &array);

// The list as the store writes it: one object per element, an element that is not a map
// becoming an empty object.
QJsonArray toObjectArray(const QVariantList &list);

// The favourites as written: the first record of each (name, type) pair, in order of first
// appearance. The keys of the records dropped are appended to `skippedKeys`.
QJsonArray uniqueFavorites(const QVariantList &list, QStringList *skippedKeys);

// Reads a whole file; false when it cannot be opened.
bool readFile(const QString &path, QByteArray *content);

// Writes a whole file atomically, creating its directory first. True only when the new file
// is in place; on failure an earlier file stays as it was.
bool writeFile(const QString &path, const QByteArray &content);

} // namespace JsonStore
