#pragma once

#include <QByteArray>
#include <QObject>
#include <QUuid>

#include <memory>

// Tells when the console's display turns off and on again. On Windows it registers for the
// console display state notification with a hidden window of its own; where the
// platform gives no such notification (Linux) it is not watched and stays on.
class DisplayState : public QObject
{
    Q_OBJECT

public:
    enum class Report { None, Off, On };

    explicit DisplayState(QObject *parent = nullptr);
    ~DisplayState() override;

    bool isOn() const { return m_on; }
    // Whether the platform tells this program when the display turns off.
    bool isWatched() const;
    // The display is now on or off: `turnedOn` or `turnedOff` follows when that is a change.
    Q_INVOKABLE void note(bool on);

    // What a power setting change says about the display: the console display state's value
    // (a 32-bit number: 0 off, 1 on, 2 dimmed, which still shows) or nothing, for another
    // setting, a value too short or one not known.
    static Report reportOf(const QUuid &setting, const QByteArray &value);
    static const QUuid consoleDisplayState;

signals:
    void turnedOff();
    void turnedOn();

private:
    struct Platform;

    bool m_on = true;
    std::unique_ptr<Platform> m_platform;
};
