// Win32 implementation of platform/Thread.h: thread handles with timed waits; only Win32
// code here.
#include "platform/Thread.h"

#include "platform/Event.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

namespace {

// What the new thread takes over: its body and a reference to the module holding this
// code, dropped only by FreeLibraryAndExitThread, which never returns into the module.
struct Start {
    std::function<void()> body;
    HMODULE module = nullptr;
};

DWORD WINAPI Run(void* parameter) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<Start> start(static_cast<Start*>(parameter));
        module = start->module;
        start->body();
    }
    if (module != nullptr)
        ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

HMODULE ReferenceThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Run),
                         &module);
    return module;
}

} // namespace

struct Thread::Native {
    UniqueHandle handle;
    DWORD id = 0;
};

Thread::Thread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    auto start = std::make_unique<Start>();
    start->body = std::move(body);
    start->module = ReferenceThisModule();
    const HMODULE module = start->module;
    native_->handle = UniqueHandle(::CreateThread(nullptr, 0, Run, start.get(), 0, &native_->id));
    if (native_->handle.IsValid()) {
        start.release(); // the thread owns it now
    } else if (module != nullptr) {
        ::FreeLibrary(module);
    }
}

// Closing the handle lets a running thread run on.
Thread::~Thread() = default;

bool Thread::Join(uint32_t timeoutMs) {
    if (!native_->handle.IsValid() || native_->id == ::GetCurrentThreadId())
        return !native_->handle.IsValid();
    static_assert(kInfinite == INFINITE);
    return ::WaitForSingleObject(native_->handle.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool Thread::HasEnded() const {
    return !native_->handle.IsValid() ||
           ::WaitForSingleObject(native_->handle.Get(), 0) == WAIT_OBJECT_0;
}

bool Thread::Started() const {
    return native_->handle.IsValid();
}

bool Thread::SetCurrentTimeCritical(bool timeCritical) {
    return ::SetThreadPriority(::GetCurrentThread(), timeCritical
                                                         ? THREAD_PRIORITY_TIME_CRITICAL
                                                         : THREAD_PRIORITY_NORMAL) != FALSE;
}

} // namespace vidrune::platform
