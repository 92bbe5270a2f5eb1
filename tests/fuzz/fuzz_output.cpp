// The examination of OpenVPN's output. Arbitrary bytes (invalid UTF-8, control characters,
// very long lines) arrive in reads of arbitrary sizes; the lines handed out must be those
// that a plain byte-wise reference cuts, and what each line says (markers, private address)
// must be what a plain reference finds in its bytes.
//
// Input: one byte for the longest line kept back, then reads, each a length byte followed by
// that many bytes of output.
#include "FuzzInput.h"
#include "OpenVpnOutput.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Lines as the reference cuts them: at every "\n", and a pending line that has grown beyond
// `maxLength` bytes as it is; the rest when the output ends.
std::vector<std::string> referenceLines(const std::vector<std::string> &reads, size_t maxLength)
{
    std::vector<std::string> lines;
    std::string pending;
    for (const std::string &read : reads) {
        pending += read;
        size_t start = 0;
        for (size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n', start)) {
            lines.push_back(pending.substr(start, end - start));
            start = end + 1;
        }
        pending.erase(0, start);
        if (pending.size() > maxLength) {
            lines.push_back(pending);
            pending.clear();
        }
    }
    lines.push_back(pending);
    return lines;
}

bool isAsciiSpace(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

bool isDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

std::string asciiLower(std::string text)
{
    for (char &ch : text) {
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

// The dotted quad after white space at `from` (after "ifconfig", "ip addr add" or
// "net_addr_v4_add:"), or "".
std::string quadAt(const std::string &line, size_t from, size_t *end = nullptr)
{
    size_t pos = from;
    if (pos >= line.size() || !isAsciiSpace(line[pos]))
        return std::string();
    while (pos < line.size() && isAsciiSpace(line[pos]))
        ++pos;
    const size_t start = pos;
    for (int group = 0; group < 4; ++group) {
        size_t digits = 0;
        while (pos < line.size() && isDigit(line[pos]) && digits < 3) {
            ++pos;
            ++digits;
        }
        if (digits == 0)
            return std::string();
        if (group < 3) {
            if (pos >= line.size() || line[pos] != '.')
                return std::string();
            ++pos;
        }
    }
    if (end)
        *end = pos;
    return line.substr(start, pos - start);
}

bool isWordChar(char ch)
{
    return isDigit(ch) || ch == '_' || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// The address of "net_addr_v4_add: <quad>/<prefix length>" at `from` (after the colon), or "".
std::string deviceAddressAt(const std::string &line, size_t from)
{
    size_t pos = 0;
    const std::string quad = quadAt(line, from, &pos);
    if (quad.empty() || pos >= line.size() || line[pos] != '/')
        return std::string();
    size_t digits = 0;
    while (pos + 1 + digits < line.size() && isDigit(line[pos + 1 + digits]) && digits < 2)
        ++digits;
    // One or two digits of prefix length, then no further letter, digit or underscore.
    const size_t end = pos + 1 + digits;
    if (digits == 0 || (end < line.size() && isWordChar(line[end])))
        return std::string();
    return quad;
}

// The private address of the leftmost "ifconfig" or "ip addr add" that is followed by one,
// else of the leftmost "net_addr_v4_add:" line.
std::string referenceAddress(const std::string &line)
{
    for (size_t pos = 0; pos < line.size(); ++pos) {
        for (const std::string word : {"ifconfig", "ip addr add"}) {
            if (line.compare(pos, word.size(), word) != 0)
                continue;
            const std::string quad = quadAt(line, pos + word.size());
            if (!quad.empty())
                return quad;
        }
    }
    const std::string device = "net_addr_v4_add:";
    for (size_t pos = line.find(device); pos != std::string::npos;
         pos = line.find(device, pos + 1)) {
        const std::string quad = deviceAddressAt(line, pos + device.size());
        if (!quad.empty())
            return quad;
    }
    return std::string();
}

bool isAscii(const std::string &text)
{
    for (const char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    }
    return true;
}

void checkFindings(const std::string &bytes, const QString &line)
{
    const OpenVpnOutput::Findings findings = OpenVpnOutput::examineLine(line);
    const bool connecting = bytes.find("TCP connection") != std::string::npos ||
                            bytes.find("Attempting to establish") != std::string::npos ||
                            bytes.find("Preserving recently used") != std::string::npos;
    FuzzInput::check(findings.connectingMarker == connecting);
    // Letter case is ignored the Unicode way, so a non-ASCII letter may stand for an ASCII one.
    const bool completion =
        asciiLower(bytes).find("initialization sequence completed") != std::string::npos;
    FuzzInput::check(findings.completionMarker == completion ||
                     (findings.completionMarker && !isAscii(bytes)));
    FuzzInput::check(findings.privateIp.toStdString() == referenceAddress(bytes));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInput::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t maxLength = 1 + data[0];
    std::vector<std::string> reads;
    for (size_t pos = 1; pos < size;) {
        const size_t length = std::min<size_t>(data[pos], size - pos - 1);
        reads.emplace_back(reinterpret_cast<const char *>(data + pos + 1), length);
        pos += 1 + length;
    }

    QByteArray pending;
    QStringList lines;
    for (const std::string &read : reads) {
        pending.append(read.data(), static_cast<qsizetype>(read.size()));
        lines += OpenVpnOutput::takeCompleteLines(pending, static_cast<qsizetype>(maxLength));
    }
    lines.append(OpenVpnOutput::takeRest(pending));
    FuzzInput::check(pending.isEmpty());

    const std::vector<std::string> expected = referenceLines(reads, maxLength);
    FuzzInput::check(static_cast<size_t>(lines.size()) == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const QString &line = lines.at(static_cast<qsizetype>(i));
        FuzzInput::check(line == QString::fromUtf8(expected[i].data(),
                                                   static_cast<qsizetype>(expected[i].size())));
        checkFindings(expected[i], line);
    }
    return 0;
}
