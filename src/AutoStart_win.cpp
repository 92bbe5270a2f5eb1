#include "AutoStart.h"

#include <QDir>

#include <iterator>

#define SECURITY_WIN32
#include <windows.h>

#include <oleauto.h>
#include <security.h>
#include <taskschd.h>

namespace {

const wchar_t taskName[] = L"Client VPN";

// Releases a COM interface when it goes out of scope.
template <typename T> struct ComPointer
{
    ~ComPointer()
    {
        if (p)
            p->Release();
    }
    T *p = nullptr;
};

// A BSTR that frees itself.
struct Text
{
    explicit Text(const QString &text)
        : b(SysAllocString(reinterpret_cast<const wchar_t *>(text.utf16())))
    {}
    ~Text() { SysFreeString(b); }
    BSTR b;
};

QString describe(const char *step, HRESULT result)
{
    return QStringLiteral("%1 failed (0x%2, %3)")
        .arg(QLatin1String(step), QString::number(quint32(result), 16),
             qt_error_string(int(result)).trimmed());
}

// DOMAIN\name of the user the program runs as.
QString currentUser()
{
    wchar_t name[512];
    ULONG size = ULONG(std::size(name));
    if (!GetUserNameExW(NameSamCompatible, name, &size))
        return {};
    return QString::fromWCharArray(name, int(size));
}

// The task scheduler's root folder; empty with the reason when it cannot be reached.
QString rootFolder(ComPointer<ITaskService> &service, ComPointer<ITaskFolder> &folder)
{
    HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ITaskService, reinterpret_cast<void **>(&service.p));
    if (FAILED(result))
        return describe("Reaching the task scheduler", result);
    const VARIANT none = {};
    result = service.p->Connect(none, none, none, none);
    if (FAILED(result))
        return describe("Connecting to the task scheduler", result);
    Text root(QStringLiteral("\\"));
    result = service.p->GetFolder(root.b, &folder.p);
    return FAILED(result) ? describe("Opening the task folder", result) : QString();
}

} // namespace

QString AutoStart::apply(bool on, const QString &program)
{
    // The window's thread has COM already; a thread without it gets it for this call.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    QString reason;
    {
        ComPointer<ITaskService> service;
        ComPointer<ITaskFolder> folder;
        reason = rootFolder(service, folder);
        Text name(QString::fromWCharArray(taskName));
        if (reason.isEmpty() && on) {
            const QString user = currentUser();
            Text xml(taskXml(QDir::toNativeSeparators(program), user));
            const VARIANT none = {};
            ComPointer<IRegisteredTask> task;
            const HRESULT result =
                user.isEmpty()
                    ? HRESULT_FROM_WIN32(GetLastError())
                    : folder.p->RegisterTask(name.b, xml.b, TASK_CREATE_OR_UPDATE, none, none,
                                             TASK_LOGON_INTERACTIVE_TOKEN, none, &task.p);
            if (FAILED(result))
                reason = describe("Registering the task", result);
        } else if (reason.isEmpty()) {
            const HRESULT result = folder.p->DeleteTask(name.b, 0);
            if (FAILED(result) && result != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
                reason = describe("Deleting the task", result);
        }
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return reason;
}
