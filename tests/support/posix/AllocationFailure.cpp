#include "support/AllocationFailure.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vidrune::test {

namespace {

// Blocks of the armed size still to come before the failing one; 0 or less when none is
// armed or the failure has come.
std::atomic<int> countdown{0};
std::atomic<size_t> threshold{0};
std::atomic<bool> struck{false};

bool Refused(size_t size) {
    if (countdown.load(std::memory_order_relaxed) <= 0 ||
        size < threshold.load(std::memory_order_relaxed) || countdown.fetch_sub(1) != 1)
        return false;
    struck = true;
    return true;
}

void* Allocate(size_t size) noexcept {
    return Refused(size) ? nullptr : std::malloc(size > 0 ? size : 1);
}

void* AllocateOrThrow(size_t size) {
    void* block = Allocate(size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

} // namespace

AllocationFailure::AllocationFailure(int nth, size_t atLeast) {
    struck = false;
    threshold = atLeast;
    countdown = nth;
}

AllocationFailure::~AllocationFailure() {
    countdown = 0;
}

bool AllocationFailure::Active() const {
    return true;
}

bool AllocationFailure::Struck() const {
    return struck.load();
}

} // namespace vidrune::test

#if defined(__SANITIZE_THREAD__)
#define VIDRUNE_TEST_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VIDRUNE_TEST_THREAD_SANITIZER 1
#endif
#endif

// The process's own calloc too: frame-sized images and buffers come from it. Not under
// ThreadSanitizer, which instruments this function while glibc calls it from a thread that
// the sanitizer does not know yet.
#ifndef VIDRUNE_TEST_THREAD_SANITIZER
extern "C" void* calloc(size_t count, size_t size) {
    if (count != 0 && size > SIZE_MAX / count)
        return nullptr;
    void* block = vidrune::test::Allocate(count * size);
    if (block != nullptr)
        std::memset(block, 0, count * size);
    return block;
}
#endif

// The process's own operator new and delete, so that the failure reaches the plug-in as well.
// The aligned forms are left to the library: they pair with their own deletes.
void* operator new(size_t size) {
    return vidrune::test::AllocateOrThrow(size);
}
void* operator new[](size_t size) {
    return vidrune::test::AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return vidrune::test::Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return vidrune::test::Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
