#include "support/ThreadRefusal.h"

#include <pthread.h>

#include <cstddef>

namespace vidrune::test {

struct ThreadRefusal::Saved {
    pthread_attr_t attributes;
};

ThreadRefusal::ThreadRefusal() : saved_(std::make_unique<Saved>()) {
    if (pthread_getattr_default_np(&saved_->attributes) != 0)
        return;
    // A default stack no address space can hold: creation fails as it does when memory runs
    // out, in the plug-in, the board library and the sanitizers' interceptors alike.
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    active_ = pthread_attr_setstacksize(&huge, size_t{1} << 60) == 0 &&
              pthread_setattr_default_np(&huge) == 0;
    pthread_attr_destroy(&huge);
}

ThreadRefusal::~ThreadRefusal() {
    if (active_)
        pthread_setattr_default_np(&saved_->attributes);
    pthread_attr_destroy(&saved_->attributes);
}

} // namespace vidrune::test
