#include "DisplayState.h"

// No notification of the display's state reaches a program here.
struct DisplayState::Platform
{};

DisplayState::DisplayState(QObject *parent) : QObject(parent) {}

DisplayState::~DisplayState() = default;

bool DisplayState::isWatched() const
{
    return false;
}
