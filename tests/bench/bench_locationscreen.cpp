#include "LocationDataLoader.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

// The location screen's Countries tab for a directory of 1,000 countries with 100 stored
// favourites, in a window of the size the main menu gives its screens: the time from creating
// the screen to its first frame on the screen (median of several runs), and the time of each
// frame while the list is scrolled from top to bottom (worst and median). The debug log is
// formatted and then discarded, so that the figures show the screen's own work rather than
// the terminal's. Run it with -platform offscreen, or under a display.
class BenchLocationScreen : public QObject
{
    Q_OBJECT

private:
    static constexpr int entries = 1000;
    static constexpr int favorites = 100;
    static constexpr int runs = 11;
    // How far the list moves between two frames: a brisk flick of about 12,000 px/s at 60 Hz.
    static constexpr qreal scrollStep = 200;

    // Passes on the figures (info messages) and counts the rest.
    static void discardLog(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtInfoMsg) {
            previousHandler(type, context, text);
            return;
        }
        qFormatLogMessage(type, context, text);
        ++logLines;
    }

    static QByteArray directory()
    {
        QJsonArray servers;
        for (int i = 0; i < entries; ++i) {
            servers.append(QJsonObject{{"Name", QStringLiteral("Country %1").arg(i)},
                                       {"Flag", i % 2 ? "se" : "no"},
                                       {"ServerHost", "203.0.113.7"},
                                       {"Category", "default"}});
        }
        return QJsonDocument(QJsonObject{{"Servers", servers}, {"Cities", QJsonArray()}})
            .toJson(QJsonDocument::Compact);
    }

    static QVariantList storedFavorites()
    {
        QVariantList list;
        for (int i = 0; i < favorites; ++i) {
            list.append(QVariantMap{{"name", QStringLiteral("Country %1").arg(i * 10)},
                                    {"flag", "qrc:/assets/flags/NO.png"},
                                    {"type", "Country"}});
        }
        return list;
    }

    static double median(QList<double> values)
    {
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    }

    // Runs the event loop until the window has shown a new frame; the milliseconds it took.
    double untilFrameShown(const QElapsedTimer &clock)
    {
        QEventLoop loop;
        connect(&m_window, &QQuickWindow::frameSwapped, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        m_window.update();
        loop.exec();
        return clock.nsecsElapsed() / 1e6;
    }

    QQuickItem *createScreen()
    {
        QVariant screen;
        QMetaObject::invokeMethod(m_host.get(), "createScreen", Q_RETURN_ARG(QVariant, screen),
                                  Q_ARG(QVariant, QVariant::fromValue(m_window.contentItem())));
        return qobject_cast<QQuickItem *>(screen.value<QObject *>());
    }

    static inline int logLines = 0;
    static inline QtMessageHandler previousHandler = nullptr;
    TemporaryHome m_home;
    LocationDataLoader m_loader;
    QQmlEngine m_engine;
    QQuickWindow m_window;
    std::unique_ptr<QObject> m_host;

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(discardLog);
        QVERIFY(m_loader.saveFavorites(storedFavorites()));
        m_engine.rootContext()->setContextProperty(QStringLiteral("locationLoader"), &m_loader);

        // The screen reaches the directory by the id homeSettings, as from the window's scope.
        QQmlComponent host(&m_engine);
        host.setData(R"(
            import QtQuick
            QtObject {
                property Component screen: Qt.createComponent("qrc:/qml/LocationScreen.qml")
                property QtObject settings: QtObject {
                    id: homeSettings
                    property var rawApiData
                }
                function useDirectory(text) { homeSettings.rawApiData = JSON.parse(text); }
                function createScreen(parentItem) {
                    return screen.createObject(parentItem, { width: 1024, height: 544 });
                }
                // The marks of every country: with the store read for each entry, or once.
                function markAll(item, readOnce) {
                    const once = readOnce ? locationLoader.loadFavorites() : undefined;
                    let marked = 0;
                    for (const entry of homeSettings.rawApiData.Servers)
                        marked += item.isInFavorites(entry.Name, "Country", once) ? 1 : 0;
                    return marked;
                }
            })",
                     QUrl());
        m_host.reset(host.create());
        QVERIFY2(m_host, qPrintable(host.errorString()));
        QMetaObject::invokeMethod(m_host.get(), "useDirectory",
                                  Q_ARG(QVariant, QString::fromUtf8(directory())));

        m_window.resize(1024, 544);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    }

    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void countriesTab()
    {
        QList<double> firstFrame;
        int linesPerBuild = 0;
        for (int run = 0; run < runs; ++run) {
            logLines = 0;
            QElapsedTimer clock;
            clock.start();
            std::unique_ptr<QQuickItem> screen(createScreen());
            QVERIFY(screen);
            firstFrame.append(untilFrameShown(clock));
            linesPerBuild = logLines;
            QCOMPARE(screen->property("locationModel").value<QObject *>()->property("count"),
                     entries + 1);
        }
        qInfo("Countries tab, %d entries, %d favourites: first frame after %.1f ms (median of "
              "%d; fastest %.1f, slowest %.1f); %d log lines per build",
              entries, favorites, median(firstFrame), runs,
              *std::min_element(firstFrame.cbegin(), firstFrame.cend()),
              *std::max_element(firstFrame.cbegin(), firstFrame.cend()), linesPerBuild);
    }

    // What reading the favourites once per tab build saves over reading them for every entry.
    void favouriteMarks()
    {
        std::unique_ptr<QQuickItem> screen(createScreen());
        QVERIFY(screen);
        QList<double> perEntry;
        QList<double> once;
        for (int run = 0; run < runs; ++run) {
            for (const bool readOnce : {false, true}) {
                QVariant marked;
                QElapsedTimer clock;
                clock.start();
                QMetaObject::invokeMethod(m_host.get(), "markAll", Q_RETURN_ARG(QVariant, marked),
                                          Q_ARG(QVariant, QVariant::fromValue(screen.get())),
                                          Q_ARG(QVariant, readOnce));
                (readOnce ? once : perEntry).append(clock.nsecsElapsed() / 1e6);
                QCOMPARE(marked.toInt(), favorites);
            }
        }
        qInfo("Marks of %d countries: store read for each entry %.1f ms, read once %.2f ms "
              "(medians of %d; ratio %.0f)",
              entries, median(perEntry), median(once), runs, median(perEntry) / median(once));
    }

    void scrollTopToBottom()
    {
        std::unique_ptr<QQuickItem> screen(createScreen());
        QVERIFY(screen);
        QElapsedTimer shown;
        shown.start();
        untilFrameShown(shown);
        auto *list = screen->findChild<QQuickItem *>(QStringLiteral("locationList"));
        QVERIFY(list);
        const qreal end = list->property("contentHeight").toReal() - list->height();
        QVERIFY(end > 0);

        QList<double> frames;
        for (qreal y = scrollStep; y < end + scrollStep; y += scrollStep) {
            QElapsedTimer clock;
            clock.start();
            list->setProperty("contentY", std::min(y, end));
            frames.append(untilFrameShown(clock));
        }
        QVERIFY(list->property("atYEnd").toBool());

        // The same number of frames with nothing moved: what drawing alone costs here.
        QList<double> stillFrames;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            QElapsedTimer clock;
            clock.start();
            stillFrames.append(untilFrameShown(clock));
        }
        qInfo("Scrolling %d rows top to bottom in %lld frames of %.0f px: worst frame %.1f ms, "
              "median %.1f ms (frames with nothing moved: worst %.1f ms, median %.1f ms)",
              entries + 1, static_cast<long long>(frames.size()), scrollStep,
              *std::max_element(frames.cbegin(), frames.cend()), median(frames),
              *std::max_element(stillFrames.cbegin(), stillFrames.cend()), median(stillFrames));
    }
};

QTEST_MAIN(BenchLocationScreen)
#include "bench_locationscreen.moc"
