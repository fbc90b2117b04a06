#include "HandleRegistry.h"

namespace vidrune::fgsim {

FgHandle HandleRegistry::Add(std::shared_ptr<Object> object) {
    std::lock_guard lock(mutex_);
    const FgHandle handle = (static_cast<uint64_t>(object->Kind()) << kKindShift) |
                            (nextSerial_++ & 0x00FFFFFFFFFFFFFFull);
    objects_.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> HandleRegistry::Remove(FgHandle handle, FgObjectKind kind) {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(handle);
    if (found == objects_.end() || found->second->Kind() != kind)
        return nullptr;
    std::shared_ptr<Object> object = std::move(found->second);
    objects_.erase(found);
    return object;
}

bool HandleRegistry::IsLive(FgHandle handle, FgObjectKind kind) const {
    return FindObject(handle, kind) != nullptr;
}

size_t HandleRegistry::Count(FgObjectKind kind) const {
    std::lock_guard lock(mutex_);
    size_t count = 0;
    for (const auto& [handle, object] : objects_)
        count += object->Kind() == kind ? 1 : 0;
    return count;
}

std::vector<std::shared_ptr<Object>> HandleRegistry::All(FgObjectKind kind) const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Object>> result;
    for (const auto& [handle, object] : objects_)
        if (object->Kind() == kind)
            result.push_back(object);
    return result;
}

FgObjectKind HandleRegistry::KindOf(FgHandle handle) {
    return static_cast<FgObjectKind>(handle >> kKindShift);
}

std::shared_ptr<Object> HandleRegistry::FindObject(FgHandle handle, FgObjectKind kind) const {
    if (handle == 0)
        return nullptr;
    std::lock_guard lock(mutex_);
    auto found = objects_.find(handle);
    if (found == objects_.end() || found->second->Kind() != kind)
        return nullptr;
    return found->second;
}

} // namespace vidrune::fgsim
