#pragma once

#include "Object.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vidrune::fgsim {

// Hands out 64-bit handles for objects and finds them again. A handle carries the
// object's kind in its top byte and a process-wide counter below it, so no handle is
// ever given out twice and one of another kind never matches.
class HandleRegistry {
public:
    FgHandle Add(std::shared_ptr<Object> object);

    // The object when the handle is live and of that kind; null otherwise.
    template <class T>
    std::shared_ptr<T> Find(FgHandle handle, FgObjectKind kind) const {
        return std::static_pointer_cast<T>(FindObject(handle, kind));
    }

    // Takes the object out of the registry; null when the handle was not live.
    std::shared_ptr<Object> Remove(FgHandle handle, FgObjectKind kind);

    bool IsLive(FgHandle handle, FgObjectKind kind) const;
    size_t Count(FgObjectKind kind) const;
    // Every live object of that kind, for teardown.
    std::vector<std::shared_ptr<Object>> All(FgObjectKind kind) const;

    static FgObjectKind KindOf(FgHandle handle);

private:
    std::shared_ptr<Object> FindObject(FgHandle handle, FgObjectKind kind) const;

    static constexpr int kKindShift = 56;

    mutable std::mutex mutex_;
    uint64_t nextSerial_ = 1;
    std::unordered_map<FgHandle, std::shared_ptr<Object>> objects_;
};

} // namespace vidrune::fgsim
