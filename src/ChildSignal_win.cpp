#include "ChildSignal.h"

// A console program on Windows hears no signal from another process.
bool ChildSignal::restart(qint64)
{
    return false;
}
