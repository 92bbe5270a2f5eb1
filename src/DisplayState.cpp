#include "DisplayState.h"

#include <QtEndian>

const QUuid DisplayState::consoleDisplayState{0x6fe69556, 0x704a, 0x47a0, 0x8f, 0x24, 0xc2,
                                              0x8d,       0x93,   0x6f,   0xda, 0x47};

void DisplayState::note(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    if (on)
        emit turnedOn();
    else
        emit turnedOff();
}

DisplayState::Report DisplayState::reportOf(const QUuid &setting, const QByteArray &value)
{
    if (setting != consoleDisplayState || value.size() < 4)
        return Report::None;
    switch (qFromLittleEndian<quint32>(value.constData())) {
    case 0:
        return Report::Off;
    case 1:
    case 2:
        return Report::On;
    default:
        return Report::None;
    }
}
