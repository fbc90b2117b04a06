// Win32 implementation of platform/ProcessPriority.h; only Win32 code here.
#include "platform/ProcessPriority.h"

#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

static_assert(ProcessPriority::kNormal == NORMAL_PRIORITY_CLASS &&
                  ProcessPriority::kIdle == IDLE_PRIORITY_CLASS &&
                  ProcessPriority::kHigh == HIGH_PRIORITY_CLASS &&
                  ProcessPriority::kRealtime == REALTIME_PRIORITY_CLASS &&
                  ProcessPriority::kBelowNormal == BELOW_NORMAL_PRIORITY_CLASS &&
                  ProcessPriority::kAboveNormal == ABOVE_NORMAL_PRIORITY_CLASS,
              "the classes carry the system's values");

uint32_t ProcessPriority::GetClass() {
    const DWORD current = ::GetPriorityClass(::GetCurrentProcess());
    return current != 0 ? current : kNormal;
}

void ProcessPriority::SetClass(uint32_t priorityClass) {
    // Refusals (no SeIncreaseBasePriorityPrivilege for realtime) are deliberately ignored.
    (void)::SetPriorityClass(::GetCurrentProcess(), priorityClass);
}

} // namespace vidrune::platform
