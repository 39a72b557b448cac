#include "core/Significance.h"

#include "core/Spread.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>

namespace tarvo {

namespace {

constexpr std::size_t exactUpTo = 60;
constexpr double alpha = 0.05;

// Twice the midranks of a then b pooled: whole numbers even with ties.
std::vector<int> doubledRanks(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> all(a);
    all.insert(all.end(), b.begin(), b.end());
    std::vector<std::size_t> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return all[x] < all[y]; });
    std::vector<int> ranks(all.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j < order.size() && all[order[j]] == all[order[i]])
            ++j;
        for (std::size_t k = i; k < j; ++k)
            ranks[order[k]] = int(i + j + 1); // (i+1 + j) / 2, doubled
        i = j;
    }
    return ranks;
}

// P(|S - E| >= |observed - E|) for S the sum of n of the ranks taken at random.
double exactP(const std::vector<int> &ranks, std::size_t n, long observed)
{
    const long total = std::accumulate(ranks.begin(), ranks.end(), 0L);
    // ways[k][s]: the subsets of k ranks whose sum is s.
    std::vector<std::vector<double>> ways(n + 1, std::vector<double>(std::size_t(total) + 1, 0.0));
    ways[0][0] = 1.0;
    for (const int rank : ranks)
        for (std::size_t k = n; k >= 1; --k)
            for (long s = total; s >= rank; --s)
                ways[k][std::size_t(s)] += ways[k - 1][std::size_t(s - rank)];
    // Distances from the expected sum n * total / N, times N: whole numbers.
    const long N = long(ranks.size());
    const long distance = std::labs(N * observed - long(n) * total);
    double extreme = 0.0, all = 0.0;
    for (long s = 0; s <= total; ++s) {
        all += ways[n][std::size_t(s)];
        if (std::labs(N * s - long(n) * total) >= distance)
            extreme += ways[n][std::size_t(s)];
    }
    return extreme / all;
}

double normalP(const std::vector<int> &ranks, std::size_t n, std::size_t m, long observed)
{
    const double N = double(n + m);
    double ties = 0.0; // sum of t^3 - t over groups of equal ranks
    std::vector<int> sorted(ranks);
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i])
            ++j;
        const double t = double(j - i);
        ties += t * t * t - t;
        i = j;
    }
    const double u = observed / 2.0 - double(n) * double(n + 1) / 2.0;
    const double mean = double(n) * double(m) / 2.0;
    const double variance = double(n) * double(m) / 12.0 * ((N + 1.0) - ties / (N * (N - 1.0)));
    if (variance <= 0.0)
        return 1.0;
    const double z = std::max(0.0, std::fabs(u - mean) - 0.5) / std::sqrt(variance);
    return std::erfc(z / std::sqrt(2.0));
}

} // namespace

double SmallestP(std::size_t n, std::size_t m)
{
    // Two-sided: the two most separated arrangements of C(n+m, n).
    double arrangements = 1.0;
    for (std::size_t i = 1; i <= n; ++i)
        arrangements = arrangements * double(m + i) / double(i);
    return std::min(1.0, 2.0 / arrangements);
}

double MannWhitneyP(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.empty() || b.empty())
        return 1.0;
    const std::vector<int> ranks = doubledRanks(a, b);
    const long observed = std::accumulate(ranks.begin(), ranks.begin() + long(a.size()), 0L);
    if (ranks.size() <= exactUpTo)
        return std::min(1.0, exactP(ranks, a.size(), observed));
    return normalP(ranks, a.size(), b.size(), observed);
}

Difference CompareRuns(const std::vector<double> &a, const std::vector<double> &b)
{
    Difference d;
    if (a.empty() || b.empty() || Median(a) <= 0.0)
        return d;
    d.ratio = Median(b) / Median(a);
    // A fixed seed: the same two documents always give the same interval.
    std::mt19937_64 random(20261209);
    constexpr int resamples = 4000;
    std::vector<double> ratios;
    std::vector<double> ra(a.size()), rb(b.size());
    for (int r = 0; r < resamples; ++r) {
        std::uniform_int_distribution<std::size_t> pickA(0, a.size() - 1), pickB(0, b.size() - 1);
        for (double &x : ra)
            x = a[pickA(random)];
        for (double &x : rb)
            x = b[pickB(random)];
        if (const double ma = Median(ra); ma > 0.0)
            ratios.push_back(Median(rb) / ma);
    }
    std::sort(ratios.begin(), ratios.end());
    if (ratios.empty())
        ratios.push_back(d.ratio);
    d.low = ratios[std::size_t(0.025 * double(ratios.size() - 1))];
    d.high = ratios[std::size_t(0.975 * double(ratios.size() - 1))];
    d.pValue = MannWhitneyP(a, b);
    d.enoughRuns = SmallestP(a.size(), b.size()) < alpha;
    d.significant = d.enoughRuns && d.pValue < alpha;
    return d;
}

} // namespace tarvo
