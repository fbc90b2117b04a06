// POSIX implementation of platform/ProcessPriority.h; only POSIX code here.
#include "platform/ProcessPriority.h"

#include <sys/resource.h>

#include <cerrno>

namespace vidrune::platform {

namespace {

int NiceOf(uint32_t priorityClass) {
    switch (priorityClass) {
    case ProcessPriority::kIdle:
        return 19;
    case ProcessPriority::kBelowNormal:
        return 5;
    case ProcessPriority::kAboveNormal:
        return -5;
    case ProcessPriority::kHigh:
        return -10;
    case ProcessPriority::kRealtime:
        return -20;
    default:
        return 0;
    }
}

} // namespace

uint32_t ProcessPriority::GetClass() {
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return kNormal;
    if (nice >= 15)
        return kIdle;
    if (nice >= 3)
        return kBelowNormal;
    if (nice <= -15)
        return kRealtime;
    if (nice <= -8)
        return kHigh;
    if (nice <= -3)
        return kAboveNormal;
    return kNormal;
}

void ProcessPriority::SetClass(uint32_t priorityClass) {
    // Refusals (no CAP_SYS_NICE) are deliberately ignored.
    (void)setpriority(PRIO_PROCESS, 0, NiceOf(priorityClass));
}

} // namespace vidrune::platform
