#pragma once

// Win32 only: included by platform/win32/*.cpp after WindowsHeaders.h.
#include "platform/win32/WindowsHeaders.h"

#include <utility>

namespace vidrune::platform {

// A kernel handle with one owner: closed when the owner goes, moved but never copied.
// Both null and INVALID_HANDLE_VALUE mean none, as the creating functions disagree.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    void Close() {
        if (IsValid())
            ::CloseHandle(handle_);
        handle_ = nullptr;
    }

    HANDLE handle_ = nullptr;
};

} // namespace vidrune::platform
