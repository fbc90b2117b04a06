#include "support/ThreadRefusal.h"

#include <pthread.h>

#include <cstddef>
#include <mutex>

namespace vidrune::test {

namespace {

// The process's default thread attributes are one setting: the first refusal saves them,
// the last puts them back.
std::mutex lock;
int refusals = 0;
pthread_attr_t saved;

} // namespace

ThreadRefusal::ThreadRefusal() {
    const std::lock_guard guard(lock);
    if (refusals > 0) {
        active_ = true;
        ++refusals;
        return;
    }
    if (pthread_getattr_default_np(&saved) != 0)
        return;
    // A default stack no address space can hold: creation fails as it does when memory runs
    // out, in the plug-in, the board library and the sanitizers' interceptors alike.
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    active_ = pthread_attr_setstacksize(&huge, size_t{1} << 60) == 0 &&
              pthread_setattr_default_np(&huge) == 0;
    pthread_attr_destroy(&huge);
    if (active_)
        ++refusals;
    else
        pthread_attr_destroy(&saved);
}

ThreadRefusal::~ThreadRefusal() {
    const std::lock_guard guard(lock);
    if (!active_ || --refusals > 0)
        return;
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&saved);
}

} // namespace vidrune::test
