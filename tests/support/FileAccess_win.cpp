#include "FileAccess.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

namespace FileAccess {

QStringList grantsBeyondItsUser(const QString &path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPWSTR text = nullptr;
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return {QStringLiteral("no access list to read")};
    const QString list = QString::fromWCharArray(text);
    LocalFree(text);
    LocalFree(descriptor);
    qInfo().noquote() << path << list;
    // Entries that allow Users (BU), Everyone (WD) or Authenticated Users (AU).
    static const QRegularExpression others(
        QStringLiteral("\\(A;[^;]*;[^;]*;[^;]*;[^;]*;(BU|WD|AU)\\)"));
    QStringList beyond;
    for (auto match = others.globalMatch(list); match.hasNext();)
        beyond.append(match.next().captured());
    if (list.contains(QStringLiteral("NO_ACCESS_CONTROL")))
        beyond.append(QStringLiteral("no access list: everyone may open it"));
    // Wine keeps an access list as the file's mode bits, which have no room for the mark that
    // stops inheritance ("P").
    const bool underWine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (!list.startsWith(QStringLiteral("D:P")) && !underWine)
        beyond.append(QStringLiteral("inherits its folder's access list"));
    return beyond;
}

} // namespace FileAccess
