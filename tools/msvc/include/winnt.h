// Wine's winnt.h for clang in MSVC mode on 32-bit x86.
//
// For i386, Wine's header defines the 64-bit and pointer-sized interlocked
// operations (_InterlockedAnd64, _InterlockedExchangePointer, ...) as static inline
// functions, because MSVC has no intrinsics for them there. Clang does: it knows
// them as built-ins on every MSVC target and refuses their definition. The names
// below move Wine's fallbacks out of the built-ins' way; nothing in the product uses
// any of them. This folder is searched before Wine's own headers.
#pragma once

#if defined(__clang__) && defined(__i386__)
#define _InterlockedAnd64 kest_wine_InterlockedAnd64
#define _InterlockedCompareExchangePointer kest_wine_InterlockedCompareExchangePointer
#define _InterlockedDecrement64 kest_wine_InterlockedDecrement64
#define _InterlockedExchangeAdd64 kest_wine_InterlockedExchangeAdd64
#define _InterlockedExchangePointer kest_wine_InterlockedExchangePointer
#define _InterlockedIncrement64 kest_wine_InterlockedIncrement64
#define _InterlockedOr64 kest_wine_InterlockedOr64
#define _InterlockedXor64 kest_wine_InterlockedXor64
#endif

#include_next <winnt.h>
