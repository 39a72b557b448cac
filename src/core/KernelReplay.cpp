#include "core/KernelReplay.h"

#include <vector>

namespace tarvo {

namespace {

// The counters' values below 8000, each from the one before by the same
// double addition rounded to the counter's type as the kernels do; the same
// for both loops, so computed once.
template <typename T>
std::vector<T> counterValues(T first)
{
    std::vector<T> values;
    for (T value = first; value < T(8000); value = static_cast<T>(value + 3.1415927))
        values.push_back(value);
    return values;
}

template <typename T, bool multiply>
T replay(T first, int repetitions)
{
    const std::vector<T> counter = counterValues(first);
    T accumulator = first;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        for (const T i : counter) {
            for (const T j : counter) {
                if constexpr (multiply)
                    accumulator = i * accumulator;
                else
                    accumulator = accumulator + j;
            }
        }
    }
    return accumulator;
}

} // namespace

double ReplayKernel(int number, int repetitions)
{
    switch (number) {
    case 5:
        return replay<float, false>(0.1f, repetitions);
    case 6:
        return replay<float, true>(0.1f, repetitions);
    case 7:
        return replay<double, false>(0.1, repetitions);
    case 8:
        return replay<double, true>(0.1, repetitions);
    default:
        return 0.0;
    }
}

} // namespace tarvo
