// Stand-in for the few pieces of Microsoft's C++ runtime (vcruntime and the CRT's
// start-up code) that objects compiled in MSVC mode refer to.
//
// Debian ships no C++ runtime for the MSVC ABI, so this file lets lld-link turn the
// product's objects into DLLs that load on Windows and Wine. Only the product's own
// needs are met; the rest comes from ucrtbase.dll and kernel32.dll through import
// libraries made from tools/msvc/lib/*.def. What it does not do:
//  - No C++ exceptions. The product throws none (the framework never throws and the
//    plug-in allocates with std::nothrow), so a throw, the throwing operator new
//    running out of memory, a pure virtual call and std::terminate all end the
//    process at once. The frame handler lets every exception pass on: no
//    destructors run while the stack unwinds for a structured exception.
//  - No thread-safe statics, no TLS callbacks: the plug-in is built with
//    /Zc:threadSafeInit- and runs on the host's calling thread only.
// A build with Visual Studio links Microsoft's runtime instead and needs none of it.
#include "kest_msvc_runtime.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <windows.h>

// --- Allocation --------------------------------------------------------------------

namespace std {
const nothrow_t nothrow{};
}

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        std::abort();  // std::bad_alloc cannot be thrown here
    }
    return block;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// --- Failures that end the process -------------------------------------------------

extern "C" {

int __cdecl _purecall() {
    std::abort();
}

void __cdecl __std_terminate() {
    std::abort();
}

__declspec(noreturn) void __stdcall _CxxThrowException(void* /*object*/, void* /*info*/) {
    std::abort();
}

// Called by the frame's handler thunk for every exception that passes the frame.
// 1 is ExceptionContinueSearch: this frame handles nothing.
int __cdecl __CxxFrameHandler3(void* /*record*/, void* /*frame*/, void* /*context*/,
                               void* /*dispatcher*/) {
    return 1;
}

// --- Stack buffer checks (/GS) -----------------------------------------------------

uintptr_t __security_cookie = 0xBB40E64E;

void __fastcall __security_check_cookie(uintptr_t cookie) {
    if (cookie != __security_cookie) {
        __fastfail(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
    }
}

// Stack probe for frames larger than a page: EAX holds the frame size. Touches
// every page from the caller's stack pointer down, in order, so that the guard
// page grows the stack, then lowers ESP by the size and returns. Only EFLAGS
// changes.
__declspec(naked) void __cdecl _chkstk() {
    __asm__ volatile(
        "pushl %ecx\n\t"
        "leal 8(%esp), %ecx\n\t"  // the caller's stack pointer before the call
        "cmpl $0x1000, %eax\n\t"
        "jb 2f\n"
        "1:\n\t"
        "subl $0x1000, %ecx\n\t"
        "testl %ecx, (%ecx)\n\t"
        "subl $0x1000, %eax\n\t"
        "cmpl $0x1000, %eax\n\t"
        "jae 1b\n"
        "2:\n\t"
        "subl %eax, %ecx\n\t"
        "testl %ecx, (%ecx)\n\t"
        "leal 4(%esp), %eax\n\t"  // where the return address is
        "movl %ecx, %esp\n\t"     // the new stack pointer
        "movl -4(%eax), %ecx\n\t"
        "pushl (%eax)\n\t"
        "subl %esp, %eax\n\t"  // the size again
        "ret\n\t");
}

// --- Module start and end ----------------------------------------------------------

using kest_c_init = int(__cdecl*)();
using kest_cxx_init = void(__cdecl*)();

// The linker sorts the .CRT$X?? sections by name: the initialisers of every object
// lie between the A and Z markers.
#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
__declspec(allocate(".CRT$XIA")) kest_c_init kest_c_init_first[] = {nullptr};
__declspec(allocate(".CRT$XIZ")) kest_c_init kest_c_init_last[] = {nullptr};
__declspec(allocate(".CRT$XCA")) kest_cxx_init kest_cxx_init_first[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) kest_cxx_init kest_cxx_init_last[] = {nullptr};

}  // extern "C"

namespace kest_msvc_runtime {

bool startModule() {
    // As Microsoft's runtime does: mix values that differ between runs and processes.
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uintptr_t cookie = static_cast<uintptr_t>(counter.LowPart ^ counter.HighPart);
    cookie ^= GetCurrentProcessId() ^ (GetCurrentThreadId() << 8) ^ GetTickCount();
    cookie ^= reinterpret_cast<uintptr_t>(&cookie);
    if (cookie != 0) {
        __security_cookie = cookie;
    }

    // The markers are separate objects: walk the addresses between them as numbers,
    // as the linker laid them out, rather than as one array.
    const uintptr_t c_end = reinterpret_cast<uintptr_t>(kest_c_init_last);
    for (uintptr_t at = reinterpret_cast<uintptr_t>(kest_c_init_first); at < c_end;
         at += sizeof(kest_c_init)) {
        const kest_c_init init = *reinterpret_cast<const kest_c_init*>(at);
        if (init != nullptr && init() != 0) {
            return false;
        }
    }
    const uintptr_t cxx_end = reinterpret_cast<uintptr_t>(kest_cxx_init_last);
    for (uintptr_t at = reinterpret_cast<uintptr_t>(kest_cxx_init_first); at < cxx_end;
         at += sizeof(kest_cxx_init)) {
        const kest_cxx_init init = *reinterpret_cast<const kest_cxx_init*>(at);
        if (init != nullptr) {
            init();
        }
    }
    return true;
}

}  // namespace kest_msvc_runtime
