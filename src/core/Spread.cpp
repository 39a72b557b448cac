#include "core/Spread.h"

#include <algorithm>
#include <cmath>

namespace tarvo {

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double VariationPercent(const std::vector<double> &values)
{
    if (values.size() < 2)
        return 0.0;
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double squares = 0.0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    const double deviation = std::sqrt(squares / static_cast<double>(values.size() - 1));
    return mean != 0.0 ? 100.0 * deviation / mean : 0.0;
}

Spread SpreadOf(const std::vector<double> &values)
{
    if (values.empty())
        return {0.0, 0.0, 0.0, 0.0};
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    return {Median(values), *lowest, *highest, VariationPercent(values)};
}

} // namespace tarvo
