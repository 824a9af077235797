// How sure the stacked fit is, by resampling whole days within each
// dataset: the report's day-block residual bootstrap (DayBootstrap) drawn
// for every dataset on its own, and every replicate searching the whole
// window again for the common maximum and slopes.
#pragma once

#include "Bootstrap.h"
#include "StackedFit.h"

#include <cstdint>
#include <vector>

class Progress;

namespace StackedBootstrap {

// A replicate searches the window first at every 0.04 degree (about the
// hours' spacing) and then at every 0.01 degree within 0.04 degree of its
// three best local minima; the rise and decay scales at every value of
// the fit's grid.
inline constexpr double CoarseStep = 0.04;
inline constexpr int Refined = 3;

struct Replicate {
    double position = 0, a = 0, b = 0; // degrees on the window's axis
};

struct Result {
    int requested = 0;
    std::vector<Replicate> replicates; // the answered ones, in replicate order
    int failed = 0;                    // replicates without an answer, counted
    bool cancelled = false;
    double seconds = 0;
    QString failure; // why no replicate ran, in words
};

// Replicate i of dataset d draws from its own generator, seeded by the
// seed, d and i; replicates are searched eight at a time, each batch on
// one thread, so the answer depends on neither the threads nor the
// batches' order. progress counts the replicates done; its cancel stops
// within a chunk of positions of one dataset.
Result run(const StackedFit::Result &fit, int replicates, std::uint64_t seed, Progress *progress,
           int threads = 0);

// The counts replicate `replicate` gives dataset d (in its rows' order).
std::vector<double> draw(const StackedFit::Result &fit, size_t d, std::uint64_t seed,
                         int replicate);

// Percentile intervals (nearest rank) of the answered replicates: the
// maximum (degrees, 0 to 360) and the slopes per degree.
struct Intervals {
    Bootstrap::Interval lambda, bPlus, bMinus;
};
Intervals intervals(const Result &result, double level);

} // namespace StackedBootstrap
