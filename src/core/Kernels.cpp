#include "core/Kernels.h"

#include "core/ExpectedAccumulators.h"

// Every counter and accumulator is volatile: each step loads it from memory,
// does its one operation and stores it back in its own type, and each loop
// test reads the stored value. That memory-carried counting is what the
// kernels measure, so no loop can be removed, replaced by its trip count,
// kept in a register, unrolled or vectorised. (`x = x + 1` rather than `++x`,
// which C++20 deprecates on volatile objects.)
//
// no_icf keeps kernels 3 and 4, which are the same code, as two functions:
// each runs its own loop at its own address. The file's options (-O2,
// -fno-ipa-icf, no contraction, 64-byte alignment of functions and loops) are
// set in src/core/CMakeLists.txt.
#if defined(__clang__)
#define TARVO_KERNEL [[gnu::noinline]]
#else
#define TARVO_KERNEL [[gnu::noinline, gnu::no_icf]]
#endif

// For the placement benchmark only (TARVO_KERNEL_SHIFT, off by default): that
// many bytes of no-ops at the start of each kernel move its loops, to show how
// their speed depends on where they land when they are not aligned.
#if TARVO_KERNEL_SHIFT > 0
#define TARVO_STRING(x) #x
#define TARVO_SKIP(n) asm volatile(".skip " TARVO_STRING(n) ", 0x90")
#define TARVO_SHIFT TARVO_SKIP(TARVO_KERNEL_SHIFT)
#else
#define TARVO_SHIFT
#endif

namespace tarvo::kernels {

namespace {

// The floating kernels' accumulators persist from one repetition to the next.
volatile float accumulator5;
volatile float accumulator6;
volatile double accumulator7;
volatile double accumulator8;

} // namespace

TARVO_KERNEL void Kernel1()
{
    TARVO_SHIFT;
    volatile std::int16_t i;
    volatile std::int16_t j;
    i = 0;
    while (i < 8000) {
        j = 0;
        while (j < 8000) {
            j = j + 1;
        }
        i = i + 1;
    }
}

TARVO_KERNEL void Kernel2()
{
    TARVO_SHIFT;
    volatile std::int16_t i;
    volatile std::int16_t j;
    i = 0;
    while (i < 4000) {
        j = 0;
        while (j < 4000) {
            j = j + 1;
        }
        i = i + 1;
    }
}

TARVO_KERNEL void Kernel3()
{
    TARVO_SHIFT;
    volatile std::int32_t i;
    volatile std::int32_t j;
    i = 0;
    while (i < 4000) {
        j = 0;
        while (j < 4000) {
            j = j + 1;
        }
        i = i + 1;
    }
}

// The same loop as kernel 3, run a second time with its own result.
TARVO_KERNEL void Kernel4()
{
    TARVO_SHIFT;
    volatile std::int32_t i;
    volatile std::int32_t j;
    i = 0;
    while (i < 4000) {
        j = 0;
        while (j < 4000) {
            j = j + 1;
        }
        i = i + 1;
    }
}

// The float counters step by the double 3.1415927: the sum is taken in double
// and rounded to float on the store, so they take 2547 values below 8000.

TARVO_KERNEL void Kernel5()
{
    TARVO_SHIFT;
    volatile float i;
    volatile float j;
    i = 0.1f;
    while (i < 8000.0f) {
        j = 0.1f;
        while (j < 8000.0f) {
            accumulator5 = accumulator5 + j;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

// The accumulator reaches subnormal values and then zero during the first
// outer iteration; the multiplications go on all the same.
TARVO_KERNEL void Kernel6()
{
    TARVO_SHIFT;
    volatile float i;
    volatile float j;
    i = 0.1f;
    while (i < 8000.0f) {
        j = 0.1f;
        while (j < 8000.0f) {
            accumulator6 = i * accumulator6;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

TARVO_KERNEL void Kernel7()
{
    TARVO_SHIFT;
    volatile double i;
    volatile double j;
    i = 0.1;
    while (i < 8000.0) {
        j = 0.1;
        while (j < 8000.0) {
            accumulator7 = accumulator7 + j;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

TARVO_KERNEL void Kernel8()
{
    TARVO_SHIFT;
    volatile double i;
    volatile double j;
    i = 0.1;
    while (i < 8000.0) {
        j = 0.1;
        while (j < 8000.0) {
            accumulator8 = i * accumulator8;
            j = j + 3.1415927;
        }
        i = i + 3.1415927;
    }
}

void StartKernel5()
{
    accumulator5 = 0.1f;
}

void StartKernel6()
{
    accumulator6 = 0.1f;
}

void StartKernel7()
{
    accumulator7 = 0.1;
}

void StartKernel8()
{
    accumulator8 = 0.1;
}

double OutcomeKernel5()
{
    return accumulator5;
}

double OutcomeKernel6()
{
    return accumulator6;
}

double OutcomeKernel7()
{
    return accumulator7;
}

double OutcomeKernel8()
{
    return accumulator8;
}

} // namespace tarvo::kernels

namespace tarvo {

namespace {

void noAccumulator()
{
}

// 2547 counter values below 8000, for each of the two loops.
constexpr std::int64_t floatingSteps = 2547 * 2547;

} // namespace

const std::array<Kernel, 8> Kernels = {{
    {noAccumulator, kernels::Kernel1, 6.4e7f, 8000 * 8000},
    {noAccumulator, kernels::Kernel2, 1.6e7f, 4000 * 4000},
    {noAccumulator, kernels::Kernel3, 1.6e7f, 4000 * 4000},
    {noAccumulator, kernels::Kernel4, 1.6e7f, 4000 * 4000},
    {kernels::StartKernel5, kernels::Kernel5, 6.4e7f, floatingSteps, kernels::OutcomeKernel5,
     kernels::ExpectedAccumulators[0]},
    {kernels::StartKernel6, kernels::Kernel6, 6.4e7f, floatingSteps, kernels::OutcomeKernel6,
     kernels::ExpectedAccumulators[1]},
    {kernels::StartKernel7, kernels::Kernel7, 6.4e7f, floatingSteps, kernels::OutcomeKernel7,
     kernels::ExpectedAccumulators[2]},
    {kernels::StartKernel8, kernels::Kernel8, 6.4e7f, floatingSteps, kernels::OutcomeKernel8,
     kernels::ExpectedAccumulators[3]},
}};

} // namespace tarvo
