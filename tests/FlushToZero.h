// Whether the processor flushes subnormal numbers to zero: MXCSR's FTZ and DAZ
// on x86-64, the FPCR's FZ and FIZ on arm64 (FIZ reads as 0 where the
// processor lacks it). The kernels must run with all of them off.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

inline bool FlushingToZero()
{
#if defined(__x86_64__) || defined(__i386__)
    return (_mm_getcsr() & 0x8040) != 0;
#elif defined(__aarch64__)
    std::uint64_t fpcr;
    asm volatile("mrs %0, fpcr" : "=r"(fpcr));
    return (fpcr & ((std::uint64_t(1) << 24) | 1)) != 0;
#else
#error "FlushingToZero() does not know this processor's floating-point control register"
#endif
}
