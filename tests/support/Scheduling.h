#pragma once

#include <chrono>
#include <thread>

namespace vidrune::test {

// The calling thread's scheduling as the system reports it, and whether the system grants
// this process time-critical scheduling at all: what the product asks for, seen from outside.
bool RunsTimeCritical();
// Asked on a thread of its own, which ends with whatever it was granted.
bool TimeCriticalGranted();
// The threads this process has, as the system counts them: what a host sees left behind.
int ThreadsInThisProcess();

// The count once it has come down to `expected`, or after a second: a thread just joined
// may still be listed for a moment, one left running stays. Fewer is no thread left behind.
inline int ThreadsOnceSettled(int expected) {
    int count = ThreadsInThisProcess();
    for (int waited = 0; count > expected && waited < 1000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = ThreadsInThisProcess();
    }
    return count;
}

} // namespace vidrune::test
