#pragma once

#include "board/SimdDispatch.h"

#include <vector>

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
