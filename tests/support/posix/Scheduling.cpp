#include "support/Scheduling.h"

#include <pthread.h>
#include <sched.h>

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
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

} // namespace vidrune::test
