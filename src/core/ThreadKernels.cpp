#include "core/ThreadKernels.h"

// The loops are Kernels.cpp's floating kernels, with the accumulator reached
// through the thread's own structure; this file is compiled with the same
// options (src/core/CMakeLists.txt), for the same reasons.
#if defined(__clang__)
#define TARVO_KERNEL [[gnu::noinline]]
#else
#define TARVO_KERNEL [[gnu::noinline, gnu::no_icf]]
#endif

namespace tarvo {

namespace kernels {

TARVO_KERNEL void ThreadKernel5(ThreadAccumulators &a)
{
    volatile float i;
    volatile float j;
    i = 0.1f;
    while (i < 8000.0f) {
        j = 0.1f;
        while (j < 8000.0f) {
            a.sum5 = a.sum5 + j;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

TARVO_KERNEL void ThreadKernel6(ThreadAccumulators &a)
{
    volatile float i;
    volatile float j;
    i = 0.1f;
    while (i < 8000.0f) {
        j = 0.1f;
        while (j < 8000.0f) {
            a.product6 = i * a.product6;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

TARVO_KERNEL void ThreadKernel7(ThreadAccumulators &a)
{
    volatile double i;
    volatile double j;
    i = 0.1;
    while (i < 8000.0) {
        j = 0.1;
        while (j < 8000.0) {
            a.sum7 = a.sum7 + j;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

TARVO_KERNEL void ThreadKernel8(ThreadAccumulators &a)
{
    volatile double i;
    volatile double j;
    i = 0.1;
    while (i < 8000.0) {
        j = 0.1;
        while (j < 8000.0) {
            a.product8 = i * a.product8;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

} // namespace kernels

namespace {

// The timed run calls kernels without arguments: each thread names its
// accumulators once, before its first kernel, and the calls below read them
// outside the loops.
thread_local ThreadAccumulators *current = nullptr;

void start5() { current->sum5 = 0.1f; }
void start6() { current->product6 = 0.1f; }
void start7() { current->sum7 = 0.1; }
void start8() { current->product8 = 0.1; }
void run5() { kernels::ThreadKernel5(*current); }
void run6() { kernels::ThreadKernel6(*current); }
void run7() { kernels::ThreadKernel7(*current); }
void run8() { kernels::ThreadKernel8(*current); }
// After the repetitions, for the check against the single-core kernels'
// expected values: the same loops from the same start give the same bits.
double outcome5() { return current->sum5; }
double outcome6() { return current->product6; }
double outcome7() { return current->sum7; }
double outcome8() { return current->product8; }

} // namespace

void SetThreadAccumulators(ThreadAccumulators *accumulators)
{
    current = accumulators;
}

const std::array<Kernel, 8> ThreadKernels = {{
    Kernels[0],
    Kernels[1],
    Kernels[2],
    Kernels[3],
    {start5, run5, Kernels[4].operationCount, Kernels[4].innerSteps, outcome5, Kernels[4].expected},
    {start6, run6, Kernels[5].operationCount, Kernels[5].innerSteps, outcome6, Kernels[5].expected},
    {start7, run7, Kernels[6].operationCount, Kernels[6].innerSteps, outcome7, Kernels[6].expected},
    {start8, run8, Kernels[7].operationCount, Kernels[7].innerSteps, outcome8, Kernels[7].expected},
}};

} // namespace tarvo
