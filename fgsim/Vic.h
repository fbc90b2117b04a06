#pragma once

#include "Object.h"
#include "VicSettings.h"

#include <mutex>

namespace vidrune::fgsim {

// A VIC object: settings loaded from a VIC file or filled from the acquisition.
class Vic : public Object {
public:
    FgObjectKind Kind() const override { return FG_KIND_VIC; }

    FgStatus Load(const std::string& path);
    FgStatus Get(uint32_t parameter, uint32_t& value) const;
    FgStatus Set(uint32_t parameter, uint32_t value);
    VicSettings Settings() const;
    void Assign(const VicSettings& settings);

private:
    mutable std::mutex mutex_;
    VicSettings settings_;
};

} // namespace vidrune::fgsim
