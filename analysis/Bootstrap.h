// How sure the search is: a parametric bootstrap of Auto Calc's answer.
#pragma once

#include "ActivityModel.h"
#include "app/Progress.h"

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace Bootstrap {

inline constexpr int DefaultReplicates = 200;
inline constexpr std::uint64_t DefaultSeed = 20261209;
inline constexpr int MaxReplicates = 100000;

// A Poisson count of the given mean, by inversion below a mean of 10 and by
// Hörmann's transformed rejection (PTRS) above, so that a seed gives the
// same counts with every standard library.
int poisson(double mean, std::mt19937_64 &rng);

// The expected count of every row of a fit: its shower and sporadic parts,
// negatives taken as 0.
std::vector<double> expectedCounts(const std::vector<TRadData> &DataRows);

struct Replicate {
    int a = 0, b = 0, P = 0;
};

struct Result {
    int requested = 0;
    std::vector<Replicate> replicates; // the finished ones, in replicate order
    int failed = 0;                    // peak in the first six rows, or a zero divisor
    bool cancelled = false;
    double seconds = 0;
};

// Draws Poisson counts from the expected counts, runs Auto Calc's search on
// each draw (its own peak, its window) and keeps a, b and P; replicates run
// on `threads` threads (0: all cores), replicate i from its own generator
// seeded by seed and i, so that the result depends on neither. progress
// counts the replicates finished; its cancel stops every replicate within
// one value of a of its search, and those not finished are left out.
Result run(const std::vector<TRadData> &DataRows, const std::vector<double> &expected,
           int replicates, std::uint64_t seed, Progress &progress, int threads = 0);
// The same as a job of its own, with progress(done) called on the calling
// thread now and then; returning false cancels.
Result run(const std::vector<TRadData> &DataRows, const std::vector<double> &expected,
           int replicates, std::uint64_t seed, const std::function<bool(int done)> &progress,
           int threads = 0);

// The value of a percentile (0 < p < 1) of values by nearest rank.
double percentile(std::vector<double> values, double p);

struct Interval {
    double lo = 0, hi = 0;
};
// The central interval holding `level` (0.68, 0.95) of the values.
Interval interval(const std::vector<double> &values, double level);

} // namespace Bootstrap
