// How a set of measurements spreads: the median and the coefficient of
// variation, for repeated runs of the speed test and for the benchmarks.
#pragma once

#include <vector>

namespace tarvo {

// The middle value, or the mean of the two middle ones; 0 for no values.
double Median(std::vector<double> values);

// Sample standard deviation over the mean, in percent; 0 for fewer than two
// values or a zero mean.
double VariationPercent(const std::vector<double> &values);

// The four figures a set of results is summed up by; all 0 for no values.
struct Spread {
    double median, min, max, variationPercent;
};
Spread SpreadOf(const std::vector<double> &values);

} // namespace tarvo
