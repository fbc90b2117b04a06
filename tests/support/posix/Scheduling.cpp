#include "support/Scheduling.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

namespace vidrune::test {

bool RunsTimeCritical() {
    return sched_getscheduler(0) == SCHED_FIFO;
}

bool TimeCriticalGranted() {
    bool granted = false;
    std::thread probe([&granted] {
        sched_param parameters{};
        parameters.sched_priority = sched_get_priority_min(SCHED_FIFO);
        granted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters) == 0;
    });
    probe.join();
    return granted;
}

int ThreadsInThisProcess() {
    // ThreadSanitizer starts a helper thread along with the process's first thread; one
    // started here before the first count keeps the helper out of every comparison. The
    // pause lets the joined thread leave the list.
    static const bool helpersStarted = [] {
        std::thread([] {}).join();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
    }();
    (void)helpersStarted;
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

} // namespace vidrune::test
