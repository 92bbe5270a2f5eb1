#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Helpers shared by the fuzz targets.
namespace FuzzInput {

// The input split at its zero bytes into exactly `count` texts decoded as UTF-8; missing
// fields are empty and the last one takes the rest (its zero bytes included).
inline QStringList fields(const uint8_t *data, size_t size, int count)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList result;
    qsizetype start = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype end = i + 1 < count ? input.indexOf('\0', start) : -1;
        if (start > input.size()) {
            result.append(QString());
        } else if (end < 0) {
            result.append(QString::fromUtf8(input.mid(start)));
            start = input.size() + 1;
        } else {
            result.append(QString::fromUtf8(input.mid(start, end - start)));
            start = end + 1;
        }
    }
    return result;
}

// Ends the run as a finding when a property does not hold.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Drops the log: the targets call code that logs every step.
inline void silenceLog()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

} // namespace FuzzInput
