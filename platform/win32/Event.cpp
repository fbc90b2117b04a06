// Win32 implementation of platform/Event.h: the system's own events.
#include "platform/Event.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

#include <vector>

namespace vidrune::platform {

struct Event::Native {
    UniqueHandle handle;
};

Event::Event(Mode mode, bool initiallySignalled) : native_(std::make_unique<Native>()) {
    native_->handle = UniqueHandle(::CreateEventA(nullptr, mode == Mode::ManualReset ? TRUE : FALSE,
                                                  initiallySignalled ? TRUE : FALSE, nullptr));
}

Event::~Event() = default;

void Event::Set() {
    ::SetEvent(native_->handle.Get());
}

void Event::Reset() {
    ::ResetEvent(native_->handle.Get());
}

void Event::Pulse() {
    ::PulseEvent(native_->handle.Get());
}

bool Event::Wait(uint32_t timeoutMs) {
    static_assert(kInfinite == INFINITE);
    return ::WaitForSingleObject(native_->handle.Get(), timeoutMs) == WAIT_OBJECT_0;
}

int Event::WaitAny(std::span<Event* const> events, uint32_t timeoutMs) {
    if (events.empty() || events.size() > MAXIMUM_WAIT_OBJECTS)
        return -1;
    std::vector<HANDLE> handles;
    handles.reserve(events.size());
    for (const Event* event : events)
        handles.push_back(event->native_->handle.Get());
    const DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                  handles.data(), FALSE, timeoutMs);
    if (result >= WAIT_OBJECT_0 + handles.size())
        return -1;
    return static_cast<int>(result - WAIT_OBJECT_0);
}

} // namespace vidrune::platform
