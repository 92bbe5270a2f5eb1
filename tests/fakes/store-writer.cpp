// Saves favourites and the last connection through the location store in an endless loop,
// for tests that kill it at random moments. Each round writes the next generation: it reads
// the generation from the favourites file at start and continues from there.
#include "LocationDataLoader.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>

namespace {

int generationOf(const QVariantList &favorites)
{
    return favorites.isEmpty() ? 0 : favorites.constLast().toMap().value("generation").toInt();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Client"));
    QCoreApplication::setApplicationName(QStringLiteral("Client VPN"));
#ifdef Q_OS_WIN
    // The tests' temporary home keeps the store in Qt's test area of the profile there.
    QStandardPaths::setTestModeEnabled(true);
#endif
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    LocationDataLoader loader;
    for (int generation = generationOf(loader.loadFavorites()) + 1;; ++generation) {
        QVariantList favorites;
        for (int i = 0; i < 50; ++i)
            favorites.append(QVariantMap{{"name", QStringLiteral("Location %1").arg(i)},
                                         {"type", "City"},
                                         {"generation", generation}});
        loader.saveFavorites(favorites);
        loader.saveConnection({{"name", QStringLiteral("Location %1").arg(generation % 50)},
                               {"generation", generation}});
        // Tells the test that a whole round is done.
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}
