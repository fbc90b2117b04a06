#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace vidrune::test {

// While it lives, this process cannot write a file past `bytes`, as on a disk that is full
// there: such writes fail (EFBIG) instead of ending the process with SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        set_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Set() const { return set_; }

private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
    bool set_ = false;
};

} // namespace vidrune::test
