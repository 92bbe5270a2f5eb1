// The validation of directory values. What it accepts must be safe where the value goes: a
// host is one word of printable ASCII, a port is a number from 1 to 65535 (or blank), a file
// name names a file directly inside its directory on Linux and on Windows, and a single line
// has no line break. Each check is set against a plain reference.
//
// Input: host, port, file name and a text separated by zero bytes.
#include "DirectoryValues.h"
#include "FuzzInput.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isHostChar(QChar ch)
{
    const char16_t c = ch.unicode();
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':';
}

bool referenceHost(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    for (const QChar ch : host) {
        if (!isHostChar(ch))
            return false;
    }
    return true;
}

bool referencePort(const QString &port)
{
    qsizetype begin = 0;
    qsizetype end = port.size();
    while (begin < end && port.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && port.at(end - 1) == QLatin1Char(' '))
        --end;
    const QString digits = port.mid(begin, end - begin);
    if (digits.isEmpty())
        return true;
    long number = 0;
    for (const QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9') || digits.size() > 5)
            return false;
        number = number * 10 + (ch.unicode() - '0');
    }
    return number >= 1 && number <= 65535;
}

// Names that Windows keeps for devices, whatever follows the first dot and in any letter
// case; the superscript digits count as digits there.
bool isWindowsDeviceName(const QString &name)
{
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toLower();
    for (const char *device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (stem == QLatin1String(device))
            return true;
    }
    if (stem.size() != 4 ||
        !(stem.startsWith(QLatin1String("com")) || stem.startsWith(QLatin1String("lpt"))))
        return false;
    return QStringView(u"0123456789\u00b9\u00b2\u00b3").contains(stem.at(3));
}

bool referenceFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1String("..")))
        return false;
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f || QStringView(u"/\\<>:\"|?*").contains(ch))
            return false;
    }
    return !isWindowsDeviceName(name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInput::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList values = FuzzInput::fields(data, size, 4);
    const QString &host = values.at(0);
    const QString &port = values.at(1);
    const QString &name = values.at(2);
    const QString &text = values.at(3);

    FuzzInput::check(DirectoryValues::isHost(host) == referenceHost(host));
    FuzzInput::check(DirectoryValues::isPort(port) == referencePort(port));
    const bool fileName = DirectoryValues::isFileName(name);
    FuzzInput::check(fileName == referenceFileName(name));
    if (fileName) {
        const QString dir = QStringLiteral("/opt/app");
        const QFileInfo file(QDir::cleanPath(dir + QLatin1Char('/') + name));
        FuzzInput::check(file.absolutePath() == dir && file.fileName() == name);
    }
    FuzzInput::check(DirectoryValues::isSingleLine(text) ==
                     (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))));
    return 0;
}
