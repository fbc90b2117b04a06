#pragma once

#include <string_view>

namespace vidrune {

// The widest vector instructions the pixel kernels may use. Each level's kernels give the
// same bytes; the scalar ones are the reference the others are tested against.
enum class SimdLevel { kScalar, kSse2, kAvx2 };

// Picks the kernels' level once per process: the widest the CPU runs, lowered (never
// raised) by VIDRUNE_SIMD=scalar|sse2|avx2 to compare or work around a path.
class SimdDispatch {
public:
    static SimdLevel Active();
    static bool Supported(SimdLevel level);
    // The level for a VIDRUNE_SIMD value (empty or unknown: no request) on a CPU whose
    // widest level is best.
    static SimdLevel Choose(std::string_view request, SimdLevel best);
    static const char* Name(SimdLevel level);
};

} // namespace vidrune
