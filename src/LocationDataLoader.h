#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Keeps the location list, the favourites and the last connection as JSON files in the
// per-user application-data directory. Stateless: every call reads or writes its file.
class LocationDataLoader : public QObject
{
    Q_OBJECT

public:
    explicit LocationDataLoader(QObject *parent = nullptr);

    Q_INVOKABLE QVariantList load();
    Q_INVOKABLE bool save(const QVariantList &data);
    Q_INVOKABLE QVariantList loadFavorites();
    Q_INVOKABLE bool saveFavorites(const QVariantList &data);
    Q_INVOKABLE QVariantMap loadConnection();
    Q_INVOKABLE bool saveConnection(const QVariantMap &data);

private:
    QString jsonFilePath() const;
    QString favoritesFilePath() const;
    QString connectionFilePath() const;
};
