#include "Measure.h"

#include "core/Spread.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <time.h>

namespace tarvo::bench {

double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Stats StatsOf(const std::vector<double> &readings)
{
    Stats stats;
    stats.count = readings.size();
    if (readings.empty())
        return stats;
    const auto [low, high] = std::minmax_element(readings.begin(), readings.end());
    stats.min = *low;
    stats.max = *high;
    stats.median = tarvo::Median(readings);
    stats.cvPercent = tarvo::VariationPercent(readings);
    return stats;
}

std::string Measurement::spread(int decimals) const
{
    if (readings.empty())
        return "-";
    const Stats s = stats();
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f-%.*f)", decimals, s.median, decimals, s.min, decimals, s.max);
    return text;
}

Measurement &Bench::operator[](const std::string &name)
{
    for (Measurement &measurement : measurements_)
        if (measurement.name == name)
            return measurement;
    measurements_.push_back({name, {}});
    return measurements_.back();
}

bool Bench::take(const std::string &name, const std::function<double()> &reading)
{
    Measurement &measurement = (*this)[name];
    if (failed_)
        return false;
    const double value = reading();
    if (std::isnan(value)) {
        failed_ = true;
        return false;
    }
    measurement.readings.push_back(value);
    return true;
}

Measurement &Bench::Run(const std::string &name, const std::function<double()> &reading)
{
    for (int r = 0; r < repetitions_ && take(name, reading); ++r) {
    }
    return (*this)[name];
}

Measurement &Bench::Time(const std::string &name, const std::function<void()> &call)
{
    return Run(name, [&call] {
        const auto start = std::chrono::steady_clock::now();
        call();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    });
}

void Bench::InTurn(const std::vector<std::pair<std::string, std::function<double()>>> &readings)
{
    for (int r = 0; r < repetitions_ && !failed_; ++r)
        for (const auto &[name, reading] : readings)
            if (!take(name, reading))
                break;
}

void Bench::Print(std::FILE *out, const char *unit, int decimals) const
{
    std::fprintf(out, "%-32s %4s %10s %10s %10s %7s\n", unit, "n", "median", "min", "max", "CV %");
    for (const Measurement &measurement : measurements_) {
        const Stats s = measurement.stats();
        std::fprintf(out, "%-32s %4zu %10.*f %10.*f %10.*f %7.2f\n", measurement.name.c_str(), s.count, decimals,
                     s.median, decimals, s.min, decimals, s.max, s.cvPercent);
    }
}

} // namespace tarvo::bench
