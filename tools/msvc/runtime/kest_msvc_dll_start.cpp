// Entry point of a DLL linked with the stand-in runtime: starts the module, calls
// the DLL's DllMain (a DLL without one gets the default below), ends the module.
#include <windows.h>

#include "kest_msvc_runtime.h"

// The load configuration (kest_msvc_load_config.c) is found by name, never called.
#pragma comment(linker, "/include:__load_config_used")

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI kest_msvc_default_dll_main(HINSTANCE /*instance*/, DWORD /*reason*/,
                                                  LPVOID /*reserved*/) {
    return TRUE;
}
#pragma comment(linker, "/alternatename:_DllMain@12=_kest_msvc_default_dll_main@12")

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH && !kest_msvc_runtime::startModule()) {
        kest_msvc_runtime::endModule();
        return FALSE;
    }
    const BOOL result = DllMain(instance, reason, reserved);
    if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !result)) {
        kest_msvc_runtime::endModule();
    }
    return result;
}
