// Load-time entry point of Tavrin.dll.
//
// The panel does all its start-up in the factory, so loading the library does
// nothing but tell Windows that no per-thread attach and detach notifications are
// wanted. Loading never fails.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
