// atexit of a module linked with the stand-in runtime: the destructors of its
// statics, run when the module ends. As in Microsoft's runtime, each DLL and
// program keeps its own table. Kept apart from every C runtime header, which
// declares atexit as an import from the C runtime DLL.
#include "kest_msvc_runtime.h"

namespace {
using exit_function = void(__cdecl*)();

// The product registers a few function-local statics; a full table refuses, as
// atexit may.
constexpr int kExitCapacity = 64;
exit_function exit_functions[kExitCapacity];
int exit_count = 0;
}  // namespace

extern "C" int __cdecl atexit(exit_function function) {
    if (function == nullptr || exit_count == kExitCapacity) {
        return -1;
    }
    exit_functions[exit_count++] = function;
    return 0;
}

namespace kest_msvc_runtime {

void endModule() {
    while (exit_count > 0) {
        exit_functions[--exit_count]();
    }
}

}  // namespace kest_msvc_runtime
