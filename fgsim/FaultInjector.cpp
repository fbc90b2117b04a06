#include "FaultInjector.h"

namespace vidrune::fgsim {

void FaultInjector::FailNext(const std::string& operation, FgStatus status) {
    std::lock_guard lock(mutex_);
    if (status == FG_OK)
        pending_.erase(operation);
    else
        pending_[operation] = status;
}

void FaultInjector::Clear() {
    std::lock_guard lock(mutex_);
    pending_.clear();
}

FgStatus FaultInjector::Take(const char* operation) {
    std::lock_guard lock(mutex_);
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
