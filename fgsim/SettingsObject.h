#pragma once

#include "Object.h"

#include <mutex>
#include <string>

namespace vidrune::fgsim {

// A camera or VIC object: settings loaded from its file or filled from the acquisition,
// guarded for the callers of the library's threads.
template <typename Settings, FgObjectKind kKind>
class SettingsObject : public Object {
public:
    FgObjectKind Kind() const override { return kKind; }

    // The file is read outside the lock (image sources can be large); a file that does
    // not load leaves the settings as they were.
    FgStatus Load(const std::string& path) {
        Settings loaded = Current();
        const FgStatus status = loaded.Load(path);
        if (status == FG_OK)
            Assign(loaded);
        return status;
    }

    FgStatus Get(uint32_t parameter, uint32_t& value) const {
        std::lock_guard lock(mutex_);
        return settings_.Get(parameter, value);
    }

    FgStatus Set(uint32_t parameter, uint32_t value) {
        std::lock_guard lock(mutex_);
        return settings_.Set(parameter, value);
    }

    Settings Current() const {
        std::lock_guard lock(mutex_);
        return settings_;
    }

    void Assign(const Settings& settings) {
        std::lock_guard lock(mutex_);
        settings_ = settings;
    }

private:
    mutable std::mutex mutex_;
    Settings settings_;
};

} // namespace vidrune::fgsim
