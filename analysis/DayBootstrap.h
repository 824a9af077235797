// How sure the report's fit is, by resampling whole days: the residuals of
// the fit are drawn by day (the residuals of one day stay together, so a
// day that runs high or low as a whole stays so) and added to the fitted
// counts, and every replicate searches the whole selection again.
#pragma once

#include "Bootstrap.h"
#include "WholeRangeFit.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace DayBootstrap {

struct Replicate {
    double position = 0, a = 0, b = 0;
};

struct Result {
    int requested = 0;
    std::vector<Replicate> replicates; // the answered ones, in replicate order
    int failed = 0;                    // replicates without an answer, counted
    bool cancelled = false;
    double seconds = 0;
};

// Replicate i draws from its own generator, seeded by seed and i; batches
// of eight replicates are searched together, each batch on one thread of
// the worker pool, on `threads` threads (0: all cores, fewer when their
// states would pass MemoryBudget), so the result depends on neither. The
// residuals are scaled by sqrt(n / (n - p)) for the parameters the fit
// used, and a row whose hour of day the drawn day lacks takes that hour
// from another drawn day. progress: its total is set to the replicates,
// every replicate answered or failed counts one step; a cancel stops every
// batch within one chunk of positions, and the batches not finished are
// left out (cancelled says so).
Result run(const WholeRangeFit::Result &fit, int replicates, std::uint64_t seed, Progress &progress,
           int threads = 0);
// The same with progress(done) asked on the calling thread before the
// start and every few tens of milliseconds; false cancels.
Result run(const WholeRangeFit::Result &fit, int replicates, std::uint64_t seed,
           const std::function<bool(int done)> &progress, int threads = 0);

// The memory the batches' states may take together: each thread holds the
// states of eight replicates at the end of every chunk of positions (about
// 6 kB an hour of the selection), so a selection of years is searched on
// fewer threads rather than past this.
inline constexpr double MemoryBudget = 1.0e9;
// The bytes one thread's states take for a fit.
double bytesPerThread(const WholeRangeFit::Result &fit);

// The counts replicate `replicate` searches (in the order of the fit's
// rows), as run() draws them.
std::vector<double> draw(const WholeRangeFit::Result &fit, std::uint64_t seed, int replicate);

// Percentile intervals (nearest rank) of the answered replicates, and the
// solar longitudes at the ends of the position's.
struct Intervals {
    Bootstrap::Interval a, b, position, solarLongitude;
};
Intervals intervals(const Result &result, const WholeRangeFit::Rows &rows, double level);

} // namespace DayBootstrap
