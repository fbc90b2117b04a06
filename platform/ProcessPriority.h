#pragma once

#include <cstdint>

namespace vidrune::platform {

// Process priority classes with their Windows values. Raising the class is best
// effort: without the privilege to do so the request is silently ignored.
class ProcessPriority {
public:
    static constexpr uint32_t kNormal = 0x20;
    static constexpr uint32_t kIdle = 0x40;
    static constexpr uint32_t kHigh = 0x80;
    static constexpr uint32_t kRealtime = 0x100;
    static constexpr uint32_t kBelowNormal = 0x4000;
    static constexpr uint32_t kAboveNormal = 0x8000;

    static uint32_t GetClass();
    static void SetClass(uint32_t priorityClass);
};

} // namespace vidrune::platform
