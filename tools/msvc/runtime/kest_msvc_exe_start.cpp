// Entry point of a console program linked with the stand-in runtime: starts the
// module, runs main() without arguments and ends the process with its result.
#include <windows.h>

#include "kest_msvc_runtime.h"

// The load configuration (kest_msvc_load_config.c) is found by name, never called.
#pragma comment(linker, "/include:__load_config_used")

int main();

extern "C" void __cdecl mainCRTStartup() {
    int result = 255;
    if (kest_msvc_runtime::startModule()) {
        result = main();
    }
    kest_msvc_runtime::endModule();
    ExitProcess(static_cast<UINT>(result));
}
