#include "OpenVpnProgram.h"

#include <QDir>

#include <windows.h>

namespace OpenVpnProgram {

namespace {

// A string value of the key; a value of another type (an expandable one would take the
// user's environment) counts as none.
QString stringValue(HKEY key, const wchar_t *name)
{
    DWORD size = 0;
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t))
        return {};
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return QDir::fromNativeSeparators(QString::fromStdWString(text));
}

} // namespace

QString programName()
{
    return QStringLiteral("openvpn.exe");
}

// The 64-bit view, where the 64-bit OpenVPN installer writes, whatever this build is.
Registration registration()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\OpenVPN", 0, KEY_READ | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS)
        return {};
    Registration result{stringValue(key, L"exe_path"), stringValue(key, L"")};
    RegCloseKey(key);
    return result;
}

QString systemProgram()
{
    return {};
}

} // namespace OpenVpnProgram
