#include "DisplayState.h"

#include <QDebug>

#include <windows.h>

namespace {

const wchar_t windowClass[] = L"ClientVPNDisplayState";

} // namespace

// A hidden window of its own, independent of the program's windows, to which Windows sends the
// console display state at once on registration and at every change after. It is a top-level
// window that is never shown, not a message-only one: those are left out of broadcasts, and
// power notifications are sent as WM_POWERBROADCAST.
struct DisplayState::Platform
{
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE && lParam) {
            auto *owner =
                reinterpret_cast<DisplayState *>(GetWindowLongPtrW(window, GWLP_USERDATA));
            const auto *setting = reinterpret_cast<const POWERBROADCAST_SETTING *>(lParam);
            const Report report = reportOf(QUuid(setting->PowerSetting),
                                           QByteArray(reinterpret_cast<const char *>(setting->Data),
                                                      int(setting->DataLength)));
            if (owner && report != Report::None)
                owner->note(report == Report::On);
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window = nullptr;
    HPOWERNOTIFY registration = nullptr;
};

DisplayState::DisplayState(QObject *parent)
    : QObject(parent), m_platform(std::make_unique<Platform>())
{
    WNDCLASSEXW description = {};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &Platform::windowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = windowClass;
    RegisterClassExW(&description); // fails harmlessly when a second instance registers it again
    m_platform->window =
        CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass, L"", WS_POPUP, 0, 0, 0, 0,
                        nullptr, nullptr, description.hInstance, nullptr);
    if (m_platform->window) {
        SetWindowLongPtrW(m_platform->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        GUID setting = consoleDisplayState;
        m_platform->registration = RegisterPowerSettingNotification(m_platform->window, &setting,
                                                                    DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    if (!m_platform->registration)
        qWarning().noquote() << "[Display] The display's state is not watched:"
                             << qt_error_string(int(GetLastError()));
}

DisplayState::~DisplayState()
{
    if (m_platform->registration)
        UnregisterPowerSettingNotification(m_platform->registration);
    if (m_platform->window)
        DestroyWindow(m_platform->window);
}

bool DisplayState::isWatched() const
{
    return m_platform->registration != nullptr;
}
