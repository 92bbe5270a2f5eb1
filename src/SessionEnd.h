#pragma once

#include <QObject>

#include <memory>

// Tells when the user's session ends while the program runs, so that the window can note what
// it needs at the next start before the program and its OpenVPN child are stopped. The session
// manager's request (Windows' end-session query, the X session manager's request to save)
// reaches it through note(); on Linux the termination signal that ends a user's processes at
// logout reaches it by itself, after which it ends the event loop.
class SessionEnd : public QObject
{
    Q_OBJECT
    // From the end's announcement on, unless the system took the end back (Windows).
    Q_PROPERTY(bool ending READ isEnding NOTIFY endingChanged)

public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    bool isEnding() const { return m_ending; }
    // The session is ending: `ending` is emitted once, until the end is called off.
    Q_INVOKABLE void note();
    // The session goes on after all.
    Q_INVOKABLE void callOff();

signals:
    // Handled before the call that announced the end returns.
    void ending();
    void endingChanged();

private:
    struct Platform;

    bool m_ending = false;
    std::unique_ptr<Platform> m_platform;
};
