// The one way the benchmarks measure. A measurement has a name and its raw
// readings, and gives their median, minimum, maximum and coefficient of
// variation; a Bench takes readings of named functions a set number of times
// (repetitions), so that a benchmark's main reads as a list of measurements,
// as with nanobench's Bench::run or Google Benchmark's registered functions.
// Unlike there, the function usually returns its own reading (a child
// process's figure, the speed test's own clock): what a user gets is mostly
// measured from outside this process. Time() covers timing a call here.
//
// Measurements that must not follow one another (a program against sort on
// the same file, two builds) take their readings in turn, one round after
// another (InTurn), so that the machine's slow moments fall on both alike.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::bench {

struct Stats {
    std::size_t count = 0;
    double median = 0; // the middle reading, or the mean of the two middle ones
    double min = 0;
    double max = 0;
    double cvPercent = 0; // sample standard deviation over the mean
};

Stats StatsOf(const std::vector<double> &readings);

struct Measurement {
    std::string name;
    std::vector<double> readings;

    Stats stats() const { return StatsOf(readings); }
    double median() const { return stats().median; }
    // "median (min-max)" with `decimals` digits after the point; "-" without readings.
    std::string spread(int decimals = 0) const;
};

// A reading that failed: the function returns it, and the Bench stops taking
// readings (failed() tells).
inline constexpr double Failed = std::numeric_limits<double>::quiet_NaN();

// This process's processor time so far, in milliseconds: on a busy machine the
// wall clock also counts the other processes' turns.
double ProcessCpuMs();

class Bench {
public:
    explicit Bench(int repetitions = 1) : repetitions_(repetitions < 1 ? 1 : repetitions) {}

    int repetitions() const { return repetitions_; }
    bool failed() const { return failed_; }

    // `repetitions` readings of `reading`, one after another.
    Measurement &Run(const std::string &name, const std::function<double()> &reading);

    // `repetitions` timings of `call` on the steady clock, in milliseconds.
    Measurement &Time(const std::string &name, const std::function<void()> &call);

    // `repetitions` rounds; each round takes one reading of every function, in order.
    void InTurn(const std::vector<std::pair<std::string, std::function<double()>>> &readings);

    // The measurement of that name, made empty the first time: where one
    // function reports several figures at once, it adds the others here.
    Measurement &operator[](const std::string &name);

    const std::deque<Measurement> &measurements() const { return measurements_; }

    // One line per measurement: its name, readings, median, min, max and CV.
    void Print(std::FILE *out, const char *unit, int decimals = 2) const;

private:
    bool take(const std::string &name, const std::function<double()> &reading);

    int repetitions_;
    bool failed_ = false;
    std::deque<Measurement> measurements_; // a deque: references stay valid
};

} // namespace tarvo::bench
