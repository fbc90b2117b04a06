#include "support/Scheduling.h"

#include "platform/win32/WindowsHeaders.h"

#include <thread>

namespace vidrune::test {

bool RunsTimeCritical() {
    return ::GetThreadPriority(::GetCurrentThread()) == THREAD_PRIORITY_TIME_CRITICAL;
}

bool TimeCriticalGranted() {
    bool granted = false;
    std::thread probe([&granted] {
        granted = ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
    });
    probe.join();
    return granted;
}

} // namespace vidrune::test
