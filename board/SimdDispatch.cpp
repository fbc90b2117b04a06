#include "board/SimdDispatch.h"

#include <cstdlib>

namespace vidrune {

namespace {

SimdLevel Widest() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // The CPU model is filled in by a constructor that may not have run yet in a DLL.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return SimdLevel::kAvx2;
    if (__builtin_cpu_supports("sse2"))
        return SimdLevel::kSse2;
#endif
    return SimdLevel::kScalar;
}

} // namespace

SimdLevel SimdDispatch::Active() {
    static const SimdLevel level = [] {
        const char* request = std::getenv("VIDRUNE_SIMD");
        return Choose(request != nullptr ? request : "", Widest());
    }();
    return level;
}

bool SimdDispatch::Supported(SimdLevel level) {
    return level <= Widest();
}

SimdLevel SimdDispatch::Choose(std::string_view request, SimdLevel best) {
    SimdLevel wanted = best;
    if (request == "scalar")
        wanted = SimdLevel::kScalar;
    else if (request == "sse2")
        wanted = SimdLevel::kSse2;
    return wanted < best ? wanted : best;
}

const char* SimdDispatch::Name(SimdLevel level) {
    switch (level) {
    case SimdLevel::kScalar:
        return "scalar";
    case SimdLevel::kSse2:
        return "sse2";
    case SimdLevel::kAvx2:
        return "avx2";
    }
    return "?";
}

} // namespace vidrune
