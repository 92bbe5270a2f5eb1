#include "SessionEnd.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

// The end-session query reaches note() from the session manager; when another program then
// refuses the end, Windows says so with WM_ENDSESSION and FALSE, and the session goes on.
struct SessionEnd::Platform : QAbstractNativeEventFilter
{
    explicit Platform(SessionEnd *owner) : owner(owner) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_ENDSESSION &&
            msg->wParam == FALSE)
            owner->callOff();
        return false;
    }

    SessionEnd *owner;
};

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent), m_platform(std::make_unique<Platform>(this))
{
    QCoreApplication::instance()->installNativeEventFilter(m_platform.get());
}

SessionEnd::~SessionEnd()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_platform.get());
}
