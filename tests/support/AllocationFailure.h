#pragma once

#include <cstddef>

namespace vidrune::test {

// While one lives, the n-th block of at least `atLeast` bytes that anything in the process
// asks operator new or calloc for (on any thread) cannot be had, as when memory has run out: the
// throwing forms throw std::bad_alloc, the nothrow forms give null. Where the plug-in has an
// operator new of its own that this cannot replace, Active() is false and nothing fails.
class AllocationFailure {
public:
    AllocationFailure(int nth, size_t atLeast);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    bool Active() const;
    // True once the failure has come.
    bool Struck() const;
};

} // namespace vidrune::test
