#pragma once

#include "board/SimdDispatch.h"

#include <ostream>
#include <vector>

namespace vidrune {

// Test lists and failure messages name the level instead of printing its bytes.
inline void PrintTo(SimdLevel level, std::ostream* os) {
    *os << SimdDispatch::Name(level);
}

} // namespace vidrune

namespace vidrune::test {

// Every kernel level this CPU runs; the scalar one is the reference for the others.
inline std::vector<SimdLevel> RunnableLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::kScalar, SimdLevel::kSse2, SimdLevel::kAvx2})
        if (SimdDispatch::Supported(level))
            levels.push_back(level);
    return levels;
}

} // namespace vidrune::test
