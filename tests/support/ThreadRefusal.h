#pragma once

namespace vidrune::test {

// While one lives, the system refuses every new thread of this process that does not ask for
// a stack size of its own, as it does when memory or thread slots have run out. Refusals may
// overlap, on one thread or several: threads start again once the last has ended. Where the
// system has no such switch, Active() is false and every thread starts as before.
class ThreadRefusal {
public:
    ThreadRefusal();
    ~ThreadRefusal();
    ThreadRefusal(const ThreadRefusal&) = delete;
    ThreadRefusal& operator=(const ThreadRefusal&) = delete;

    bool Active() const { return active_; }

private:
    bool active_ = false;
};

} // namespace vidrune::test
