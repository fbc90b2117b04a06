#include "FaultInjector.h"

#include <chrono>
#include <thread>

namespace vidrune::fgsim {

void FaultInjector::FailNext(const std::string& operation, FgStatus status) {
    std::lock_guard lock(mutex_);
    if (status == FG_OK)
        pending_.erase(operation);
    else
        pending_[operation] = status;
}

size_t FaultInjector::Clear() {
    std::lock_guard lock(mutex_);
    const size_t pending = pending_.size();
    pending_.clear();
    stalls_.clear();
    return pending;
}

void FaultInjector::StallNext(const std::string& operation, uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    stalls_[operation] = milliseconds;
}

FgStatus FaultInjector::Take(const char* operation) {
    std::unique_lock lock(mutex_);
    if (auto stall = stalls_.find(std::string_view(operation)); stall != stalls_.end()) {
        const uint32_t milliseconds = stall->second;
        stalls_.erase(stall);
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        lock.lock();
    }
    if (pending_.empty())
        return FG_OK;
    auto found = pending_.find(std::string_view(operation));
    if (found == pending_.end())
        return FG_OK;
    const FgStatus status = found->second;
    pending_.erase(found);
    return status;
}

} // namespace vidrune::fgsim
