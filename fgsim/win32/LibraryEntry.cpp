// fgcore.dll's entry on Windows. It runs before the C runtime destroys the library's
// static objects, and says whether that happens at process exit.
#include "Library.h"
#include "platform/win32/WindowsHeaders.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr)
        vidrune::fgsim::Library::Instance().LeaveTransfersAtExit();
    return TRUE;
}
