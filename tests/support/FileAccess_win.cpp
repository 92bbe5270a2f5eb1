#include "FileAccess.h"

#include <QDebug>
#include <QDir>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

namespace FileAccess {

namespace {

QString sidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return QStringLiteral("(unreadable SID)");
    const QString result = QString::fromWCharArray(text);
    LocalFree(text);
    return result;
}

QString processUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return QString();
    alignas(TOKEN_USER) BYTE buffer[256];
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    return read ? sidText(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid) : QString();
}

// Wine keeps an access list as the file's mode bits, which have no room for the mark that
// stops inheritance.
bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

QStringList grantsBeyondItsUser(const QString &path)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return {QStringLiteral("no access list to read")};
    QStringList beyond;
    if (!dacl)
        beyond.append(QStringLiteral("no access list: everyone may open it"));
    const QStringList trusted = {processUser(), QStringLiteral("S-1-5-18"),
                                 QStringLiteral("S-1-5-32-544")};
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&entry)) ||
            entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const QString sid = sidText(&entry->SidStart);
        const QString grant = QStringLiteral("allow %1 0x%2").arg(sid).arg(entry->Mask, 0, 16);
        qInfo().noquote() << path << grant;
        if (!trusted.contains(sid))
            beyond.append(grant);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    qInfo().noquote() << path << ((control & SE_DACL_PROTECTED) ? "protected" : "inheriting");
    if (!(control & SE_DACL_PROTECTED) && !underWine())
        beyond.append(QStringLiteral("inherits its folder's access list"));
    LocalFree(descriptor);
    return beyond;
}

} // namespace FileAccess
