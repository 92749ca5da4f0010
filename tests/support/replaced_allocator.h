// Replaces the program's global allocation functions, so that a test can count
// allocations and make them fail on purpose. Include it in exactly one source file
// of a test program. Shared libraries loaded into the program allocate through it
// too; on Windows a DLL keeps the allocator it was linked with, so tests that rely
// on this are built for Linux only.
//
// The non-throwing forms are replaced as well, so that every allocation is seen
// here and released by the matching function (also under a sanitizer runtime,
// which would otherwise pair its own with ours).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace kest_test {

struct allocation_control {
    long count = 0;            // allocations asked for through operator new
    bool refuseAll = false;    // every allocation fails while set
    std::size_t failFrom = 0;  // the next allocation of at least this size fails; 0: off
};

inline allocation_control allocations;

// Every replaced operator delete hands its block back through this one function,
// which the compiler may not inline. Inlined into a caller, std::free would stand
// next to the operator new that made the block, and GCC at -O2 and above reports
// that pairing as a mismatch (-Wmismatched-new-delete), though operator new here
// is std::malloc underneath. Out of line, the caller sees only the matching
// operator delete.
[[gnu::noinline]] inline void releaseBlock(void* p) noexcept {
    std::free(p);
}

}  // namespace kest_test

void* operator new(std::size_t size) {
    kest_test::allocation_control& control = kest_test::allocations;
    ++control.count;
    if (control.failFrom != 0 && size >= control.failFrom) {
        control.failFrom = 0;
        throw std::bad_alloc();
    }
    if (!control.refuseAll) {
        if (void* p = std::malloc(size != 0 ? size : 1)) {
            return p;
        }
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    kest_test::releaseBlock(p);
}
void operator delete[](void* p) noexcept {
    kest_test::releaseBlock(p);
}
void operator delete(void* p, std::size_t) noexcept {
    kest_test::releaseBlock(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    kest_test::releaseBlock(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    kest_test::releaseBlock(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    kest_test::releaseBlock(p);
}
