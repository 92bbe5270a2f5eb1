#include "SessionEnd.h"

#include <QDebug>

void SessionEnd::note()
{
    if (m_ending)
        return;
    qInfo() << "[Session] The user's session is ending";
    m_ending = true;
    emit endingChanged();
    emit ending();
}

void SessionEnd::callOff()
{
    if (!m_ending)
        return;
    qInfo() << "[Session] The session's end was called off";
    m_ending = false;
    emit endingChanged();
}
