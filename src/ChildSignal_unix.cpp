#include "ChildSignal.h"

#include <csignal>

bool ChildSignal::restart(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGUSR1) == 0;
}
