// alloc_counter: counts every heap allocation the benchmark process makes.
//
// The benchmark program replaces malloc, calloc, realloc, free, the aligned
// allocators and the global operator new and delete. Because the executable defines
// them, the dynamic linker binds every shared library to them as well: the plug-in
// (libTavrin.so), the framework strings (libkest_string.so), the C++ runtime and the
// benchmark library all allocate through the counter. The replacements forward to
// glibc's own allocator (__libc_malloc and friends).
//
// Counts are totals since start; take a snapshot before and after the code under
// measurement and subtract. `liveBytes` uses the usable size of each block, so it
// can be larger than the sizes asked for; it returns to the same value when every
// block is freed again.
#pragma once

#include <cstdint>

namespace kest_bench {

struct alloc_snapshot {
    uint64_t allocations;    // successful malloc/calloc/new (and realloc of a null pointer)
    uint64_t frees;          // free/delete of a non-null pointer
    uint64_t reallocations;  // realloc of a live block
    int64_t liveBytes;       // usable bytes of the blocks currently allocated

    int64_t liveBlocks() const { return static_cast<int64_t>(allocations - frees); }
};

alloc_snapshot allocSnapshot();

}  // namespace kest_bench
