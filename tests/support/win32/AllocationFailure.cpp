#include "support/AllocationFailure.h"

namespace vidrune::test {

// The plug-in's DLL resolves operator new within its own runtime, which a test program cannot
// replace: nothing fails here.
AllocationFailure::AllocationFailure(int, size_t) {}

AllocationFailure::~AllocationFailure() = default;

bool AllocationFailure::Active() const {
    return false;
}

bool AllocationFailure::Struck() const {
    return false;
}

} // namespace vidrune::test
