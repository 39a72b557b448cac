// Whether two sets of runs differ: the ratio of their medians with a 95 %
// bootstrap interval, and a Mann-Whitney U test. Runs of a speed test are few
// and not normal (a host's clock moves in steps, one slow run drags a mean), so
// a rank test that assumes no distribution is used rather than Welch's t-test;
// it is exact (the permutation distribution of the ranks, ties included) for
// up to 60 runs in all and uses the normal approximation beyond.
#pragma once

#include <vector>

namespace tarvo {

struct Difference {
    double ratio = 0.0; // median of b / median of a
    double low = 0.0;   // the ratio's 95 % interval, by a bootstrap of the medians
    double high = 0.0;
    double pValue = 1.0; // two-sided
    // False when even the most separated samples of these sizes could not
    // reach p < 0.05: the test cannot conclude either way.
    bool enoughRuns = false;
    bool significant = false; // enough runs and p < 0.05
};

Difference CompareRuns(const std::vector<double> &a, const std::vector<double> &b);

// The Mann-Whitney U test's two-sided p-value alone, and the smallest it can
// be for samples of these sizes.
double MannWhitneyP(const std::vector<double> &a, const std::vector<double> &b);
double SmallestP(std::size_t n, std::size_t m);

} // namespace tarvo
