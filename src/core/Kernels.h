// The eight calculation kernels of the speed test, numbered in the order the
// test runs them: four empty counting loops on integers, then four loops that
// add or multiply floating-point numbers. A kernel here is one repetition of
// its two nested loops; the timed run (SpeedTest.h) repeats and times it.
//
// Each kernel is its own function with its own constant bounds, types and
// step, so that what is timed is exactly that loop. Kernels.cpp is compiled
// with its own options (src/core/CMakeLists.txt) that keep every loop as
// written; tests/core/tst_kernelcode.cpp reads the program's machine code to
// check that they did.
#pragma once

#include <array>
#include <cstdint>

namespace tarvo {

struct Kernel {
    // Before the first of the five repetitions: the floating kernels set their
    // accumulator to 0.1 here (the integer kernels have none). It is never
    // reset after, so it carries over all repetitions.
    void (*start)();
    // One repetition: the two nested loops and nothing else.
    void (*repetition)();
    // The constant the average time is divided by.
    float operationCount;
    // How many times the inner step runs per repetition (for the benchmark;
    // equal to the operation count for the integer kernels only).
    std::int64_t innerSteps;
    // The floating kernels only: reads the accumulator after the repetitions
    // (a float widened exactly to double), and the value it must then hold,
    // replayed at build time. The integer kernels' counters are locals of
    // their loops: reading them would change what is timed, so they have none.
    double (*outcome)() = nullptr;
    double expected = 0.0;
};

// Kernels 1 to 8 at indexes 0 to 7.
extern const std::array<Kernel, 8> Kernels;

namespace kernels {

void Kernel1();
void Kernel2();
void Kernel3();
void Kernel4();
void Kernel5();
void Kernel6();
void Kernel7();
void Kernel8();

void StartKernel5();
void StartKernel6();
void StartKernel7();
void StartKernel8();

double OutcomeKernel5();
double OutcomeKernel6();
double OutcomeKernel7();
double OutcomeKernel8();

} // namespace kernels

} // namespace tarvo
