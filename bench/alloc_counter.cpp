#include "alloc_counter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

// glibc's allocator under its own names; the replacements below forward to it.
// NOLINTBEGIN(bugprone-reserved-identifier): these are glibc's own exported names
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

// Relaxed atomics: the benchmarks run on one thread, but the benchmark library and
// the C++ runtime may allocate from others.
std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> frees{0};
std::atomic<uint64_t> reallocations{0};
std::atomic<int64_t> liveBytes{0};

void* counted(void* block) {
    if (block != nullptr) {
        allocations.fetch_add(1, std::memory_order_relaxed);
        liveBytes.fetch_add(static_cast<int64_t>(malloc_usable_size(block)),
                            std::memory_order_relaxed);
    }
    return block;
}

void uncount(void* block) {
    if (block != nullptr) {
        frees.fetch_add(1, std::memory_order_relaxed);
        liveBytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)),
                            std::memory_order_relaxed);
    }
}

void* alignedBlock(std::size_t alignment, std::size_t size) {
    return counted(__libc_memalign(alignment, size));
}

void* newBlock(std::size_t size) {
    void* block = counted(__libc_malloc(size != 0 ? size : 1));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* newAlignedBlock(std::size_t size, std::align_val_t alignment) {
    void* block = alignedBlock(static_cast<std::size_t>(alignment), size != 0 ? size : 1);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void deleteBlock(void* block) noexcept {
    uncount(block);
    __libc_free(block);
}

}  // namespace

namespace kest_bench {

alloc_snapshot allocSnapshot() {
    return alloc_snapshot{
        allocations.load(std::memory_order_relaxed), frees.load(std::memory_order_relaxed),
        reallocations.load(std::memory_order_relaxed), liveBytes.load(std::memory_order_relaxed)};
}

}  // namespace kest_bench

// --- C allocator ---------------------------------------------------------------------

extern "C" {

void* malloc(std::size_t size) {
    return counted(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) {
    return counted(__libc_calloc(count, size));
}

void* realloc(void* block, std::size_t size) {
    if (block == nullptr) {
        return counted(__libc_realloc(nullptr, size));
    }
    const auto before = static_cast<int64_t>(malloc_usable_size(block));
    void* moved = __libc_realloc(block, size);
    if (moved == nullptr) {
        if (size == 0) {
            // glibc frees the block for realloc(p, 0).
            frees.fetch_add(1, std::memory_order_relaxed);
            liveBytes.fetch_sub(before, std::memory_order_relaxed);
        }
        return nullptr;
    }
    reallocations.fetch_add(1, std::memory_order_relaxed);
    liveBytes.fetch_add(static_cast<int64_t>(malloc_usable_size(moved)) - before,
                        std::memory_order_relaxed);
    return moved;
}

void free(void* block) {
    uncount(block);
    __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
    return alignedBlock(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return alignedBlock(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* block = alignedBlock(alignment, size);
    if (block == nullptr) {
        return ENOMEM;
    }
    *result = block;
    return 0;
}

void* valloc(std::size_t size) {
    return alignedBlock(4096, size);
}

void* pvalloc(std::size_t size) {
    return alignedBlock(4096, (size + 4095) & ~static_cast<std::size_t>(4095));
}

}  // extern "C"

// --- C++ allocator -------------------------------------------------------------------

void* operator new(std::size_t size) {
    return newBlock(size);
}
void* operator new[](std::size_t size) {
    return newBlock(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(__libc_malloc(size != 0 ? size : 1));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return counted(__libc_malloc(size != 0 ? size : 1));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return newAlignedBlock(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return newAlignedBlock(size, alignment);
}
void operator delete(void* block) noexcept {
    deleteBlock(block);
}
void operator delete[](void* block) noexcept {
    deleteBlock(block);
}
void operator delete(void* block, std::size_t) noexcept {
    deleteBlock(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    deleteBlock(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    deleteBlock(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    deleteBlock(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    deleteBlock(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    deleteBlock(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    deleteBlock(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    deleteBlock(block);
}
