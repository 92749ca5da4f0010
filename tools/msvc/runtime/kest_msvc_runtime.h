// The stand-in C++ runtime for MSVC-mode builds (see kest_msvc_runtime.cpp).
#pragma once

namespace kest_msvc_runtime {

// Runs the C and C++ initialisers of the module (.CRT$XI* and .CRT$XC*) and picks
// the module's security cookie. False when a C initialiser fails.
bool startModule();

// Runs the functions registered with atexit, last registered first.
void endModule();

}  // namespace kest_msvc_runtime
