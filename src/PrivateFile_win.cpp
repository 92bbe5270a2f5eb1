#include "PrivateFile.h"

#include <QDebug>
#include <QDir>
#include <QRandomGenerator>

#include <windows.h>

#include <sddl.h>

#include <string>

namespace PrivateFile {

namespace {

// The user of this process's token as a SID string; empty when it cannot be read.
QString processUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return QString();
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    LPWSTR sid = nullptr;
    const bool read =
        GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, &sid);
    CloseHandle(token);
    if (!read)
        return QString();
    const QString text = QString::fromWCharArray(sid);
    LocalFree(sid);
    return text;
}

// Full control for this user, SYSTEM and the Administrators, and for nobody else; protected
// ("P"), so that nothing is inherited from the folder. Freed with LocalFree.
PSECURITY_DESCRIPTOR ownerOnlyDescriptor()
{
    const QString user = processUser();
    if (user.isEmpty())
        return nullptr;
    const std::wstring sddl =
        (QStringLiteral("D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;") + user + QLatin1Char(')'))
            .toStdWString();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return nullptr;
    return descriptor;
}

bool writeAll(HANDLE file, const QByteArray &bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr) &&
           written == DWORD(bytes.size()) && FlushFileBuffers(file);
}

} // namespace

// Setting the access list after the file was made would leave it, for a moment, with the list
// it inherits from its folder, under which others may open it and keep reading what follows.
// So the temporary file is made with its own list, which the replace keeps.
bool write(const QString &path, const QString &text, bool platformLineEnds)
{
    QByteArray bytes = text.toUtf8();
    if (platformLineEnds)
        bytes.replace('\n', "\r\n");
    const PSECURITY_DESCRIPTOR descriptor = ownerOnlyDescriptor();
    if (!descriptor) {
        const DWORD error = GetLastError();
        qWarning() << "[PrivateFile] Cannot make an access list of this user alone for" << path
                   << "(error" << error << ')';
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    const std::wstring target = QDir::toNativeSeparators(path).toStdWString();
    const std::wstring temporary =
        target + L'.' +
        QString::number(QRandomGenerator::system()->generate64(), 36).toStdWString();
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(descriptor);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = writeAll(file, bytes);
    if (CloseHandle(file) && written &&
        MoveFileExW(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

} // namespace PrivateFile
