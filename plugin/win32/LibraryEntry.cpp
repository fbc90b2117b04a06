// The library entry on Windows. It runs under the loader lock: no thread can start or end
// while it runs, so nothing here waits for one. Every running device thread holds a
// reference to this module (platform/Thread.h), so a detach from FreeLibrary finds them
// all ended; a detach at process exit finds them ended by the system, wherever they stood.
#include "platform/win32/WindowsHeaders.h"
#include "plugin/Plugin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return vidrune::Plugin::Attach() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        vidrune::Plugin::Detach(reserved != nullptr);
        return TRUE;
    default:
        return TRUE;
    }
}
