#pragma once

namespace vidrune::test {

// The calling thread's scheduling as the system reports it, and whether the system grants
// this process time-critical scheduling at all: what the product asks for, seen from outside.
bool RunsTimeCritical();
// Asked on a thread of its own, which ends with whatever it was granted.
bool TimeCriticalGranted();
// The threads this process has, as the system counts them: what a host sees left behind.
int ThreadsInThisProcess();

} // namespace vidrune::test
