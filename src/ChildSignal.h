#pragma once

#include <QtGlobal>

// Signals that reach a child process outside its management interface, where the platform
// has them.
namespace ChildSignal {

// Asks the process to restart its connection (SIGUSR1); false where that cannot be sent.
bool restart(qint64 pid);

} // namespace ChildSignal
