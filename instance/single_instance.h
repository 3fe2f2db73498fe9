// Single instance: every copy of the executable holds a named semaphore
// derived from its path; in single-instance mode (record 10005) a second copy
// hands over to the running one and ends.
#ifndef PELLUX_INSTANCE_SINGLE_INSTANCE_H
#define PELLUX_INSTANCE_SINGLE_INSTANCE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/capacities.h"
#include "common/win32_handles.h"
#include "config/settings.h"

// This copy's semaphore: other copies see this one while it is open.
struct InstanceSemaphore {
    // Passed to Java as pellux.semaphoreName; at most kTextCapacity - 1 characters.
    std::string name;
    UniqueHandle handle;
};

// Names and creates the semaphore. In single-instance mode, when another copy
// holds it, ends the process with exit code 0 after optionally bringing that
// copy's windows to the front (exit code 1 for a service worker, whose 0
// would read as a clean stop, unless record 30401 lets it run all the same);
// it does not return then.
InstanceSemaphore checkSingleInstance(const Settings &settings, bool serviceWorker);

// The process id of the copy that registered last under
// "SOFTWARE\Marrowfield\pellux\pids\" for this executable's path.
void registerInstancePid();
// 0 when the value is missing or not four bytes long.
uint32_t readInstancePid();

// Restores and brings to the front every visible top-level window of the process.
void activateInstanceWindows(uint32_t processId);

#endif
