// The eight kernels as each thread of a multi-core run executes them. The
// integer kernels keep their counters on the calling thread's stack, so
// every thread runs Kernels.cpp's own code for them. The floating kernels'
// accumulators are globals there, which threads would share: racing on them
// and passing their cache line back and forth would measure the cache, not
// the core. Here the floating kernels are a second set, the same loops on
// accumulators that each thread owns, each accumulator alone on its 64-byte
// line. Kernels.cpp is left exactly as it was, so the single-core test's
// machine code does not change; tests/core/tst_kernelcode.cpp checks both.
#pragma once

#include "core/Kernels.h"

#include <array>

namespace tarvo {

// One thread's accumulators, each on a cache line of its own.
struct alignas(64) ThreadAccumulators {
    alignas(64) volatile float sum5 = 0.0f;
    alignas(64) volatile float product6 = 0.0f;
    alignas(64) volatile double sum7 = 0.0;
    alignas(64) volatile double product8 = 0.0;
};

// Kernels 1 to 8 for a thread, as the timed run takes them. Their floating
// kernels work on the accumulators named by SetThreadAccumulators on the
// calling thread; setting none and running one is a fault.
extern const std::array<Kernel, 8> ThreadKernels;

// The accumulators the calling thread's floating kernels use from now on.
void SetThreadAccumulators(ThreadAccumulators *accumulators);

namespace kernels {

void ThreadKernel5(ThreadAccumulators &a);
void ThreadKernel6(ThreadAccumulators &a);
void ThreadKernel7(ThreadAccumulators &a);
void ThreadKernel8(ThreadAccumulators &a);

} // namespace kernels

} // namespace tarvo
