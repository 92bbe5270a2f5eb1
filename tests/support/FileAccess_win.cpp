#include "FileAccess.h"

#include <QDebug>
#include <QDir>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

namespace FileAccess {

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
    // Users, Everyone, Authenticated Users.
    const QStringList others = {QStringLiteral("S-1-5-32-545"), QStringLiteral("S-1-1-0"),
                                QStringLiteral("S-1-5-11")};
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        LPWSTR sid = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&entry)) ||
            entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !ConvertSidToStringSidW(&entry->SidStart, &sid))
            continue;
        const QString grant = QStringLiteral("allow %1 0x%2")
                                  .arg(QString::fromWCharArray(sid))
                                  .arg(entry->Mask, 0, 16);
        qInfo().noquote() << path << grant;
        if (others.contains(QString::fromWCharArray(sid)))
            beyond.append(grant);
        LocalFree(sid);
    }
    // Wine keeps an access list as the file's mode bits, which have no room for the mark that
    // stops inheritance.
    const bool underWine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    qInfo().noquote() << path << ((control & SE_DACL_PROTECTED) ? "protected" : "inheriting");
    if (!(control & SE_DACL_PROTECTED) && !underWine)
        beyond.append(QStringLiteral("inherits its folder's access list"));
    LocalFree(descriptor);
    return beyond;
}

} // namespace FileAccess
