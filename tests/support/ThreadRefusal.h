#pragma once

#include <memory>

namespace vidrune::test {

// While one lives, the system refuses every new thread of this process that does not ask for
// a stack size of its own, as it does when memory or thread slots have run out. Where the
// system has no such switch, Active() is false and every thread starts as before.
class ThreadRefusal {
public:
    ThreadRefusal();
    ~ThreadRefusal();
    ThreadRefusal(const ThreadRefusal&) = delete;
    ThreadRefusal& operator=(const ThreadRefusal&) = delete;

    bool Active() const { return active_; }

private:
    struct Saved; // what new threads got before; defined by each implementation
    std::unique_ptr<Saved> saved_;
    bool active_ = false;
};

} // namespace vidrune::test
