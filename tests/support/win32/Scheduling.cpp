#include "support/Scheduling.h"

#include "platform/win32/WindowsHeaders.h"

#include <tlhelp32.h>

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

int ThreadsInThisProcess() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId() ? 1 : 0;
    ::CloseHandle(snapshot);
    return count;
}

} // namespace vidrune::test
