// A parametric bootstrap of Auto Calc's answer.
#include "Bootstrap.h"

#include "AutoSearch.h"
#include "app/Job.h"
#include "app/WorkerThreads.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <math.h>
#include <mutex>

namespace Bootstrap {

namespace {

double uniform(std::mt19937_64 &rng)
{
    return double(rng() >> 11) * (1.0 / 9007199254740992.0); // [0, 1), 53 bits
}

} // namespace

int poisson(double mean, std::mt19937_64 &rng)
{
    if (!(mean > 0))
        return 0;
    if (mean < 10) {
        // Inversion: multiply uniforms until their product falls below e^-mean.
        const double limit = std::exp(-mean);
        int k = 0;
        double product = uniform(rng);
        while (product > limit) {
            ++k;
            product *= uniform(rng);
        }
        return k;
    }
    // W. Hörmann, The transformed rejection method for generating Poisson
    // random variables, Insurance: Mathematics and Economics 12 (1993).
    const double slam = std::sqrt(mean), loglam = std::log(mean);
    const double b = 0.931 + 2.53 * slam;
    const double a = -0.059 + 0.02483 * b;
    const double invalpha = 1.1239 + 1.1328 / (b - 3.4);
    const double vr = 0.9277 - 3.6224 / (b - 2);
    for (;;) {
        const double U = uniform(rng) - 0.5;
        const double V = uniform(rng);
        const double us = 0.5 - std::fabs(U);
        const double k = std::floor((2 * a / us + b) * U + mean + 0.43);
        // Counts past the range of int do not occur in a table; they are cut
        // rather than wrapped.
        const auto count = [](double v) { return int(std::min(v, 2147483647.0)); };
        if (us >= 0.07 && V <= vr)
            return count(k);
        if (k < 0 || (us < 0.013 && V > us))
            continue;
        // lgamma_r, not std::lgamma: the latter writes the global signgam,
        // which the replicates' threads would race on. Both give the same
        // value (glibc computes lgamma through lgamma_r).
        int sign = 0;
        if (std::log(V) + std::log(invalpha) - std::log(a / (us * us) + b) <=
            -mean + k * loglam - ::lgamma_r(k + 1, &sign))
            return count(k);
    }
}

std::vector<double> expectedCounts(const std::vector<TRadData> &DataRows)
{
    std::vector<double> out;
    out.reserve(DataRows.size());
    for (const TRadData &r : DataRows)
        out.push_back(std::max(0.0, r.Shower + r.Sporadic));
    return out;
}

Result run(const std::vector<TRadData> &DataRows, const std::vector<double> &expected,
           int replicates, std::uint64_t seed, Progress &progress, int threads)
{
    QElapsedTimer timer;
    timer.start();
    Result result;
    result.requested = replicates;
    progress.setTotal(replicates);

    // Replicate i: its counts, its peak, the search; -1 in P marks a failure.
    std::vector<Replicate> answers(size_t(std::max(0, replicates)));
    std::vector<char> finished(answers.size(), 0);
    std::atomic<int> next{0}, done{0};
    std::mutex mutex;
    const auto work = [&] {
        std::vector<TRadData> rows = DataRows;
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= replicates || progress.cancelled())
                return;
            std::mt19937_64 rng(seed ^ (0x9E3779B97F4A7C15ull * std::uint64_t(i + 1)));
            for (size_t j = 0; j < rows.size(); ++j)
                rows[j].Value = poisson(expected[j], rng);
            Replicate r;
            r.P = -1;
            const Peak peak = findPeak(rows);
            if (searchable(peak)) {
                try {
                    // The search looks at the cancel once per value of a, so
                    // that a cancel stops a replicate within milliseconds.
                    const SearchBest best = autoSearch(
                        rows, peak.PeakOffset, [&](int) { progress.checkCancelled(); }, 1);
                    r = {best.BestA, best.BestB, best.BestPosition};
                } catch (const JobCancelled &) {
                    return; // this replicate is not finished
                } catch (const VexlorError &) {
                    // a zero divisor: this replicate has no answer
                }
            }
            {
                std::lock_guard lock(mutex);
                answers[size_t(i)] = r;
                finished[size_t(i)] = 1;
            }
            progress.setDone(done.fetch_add(1) + 1);
        }
    };
    WorkerThreads(WorkerThreads::count(threads, replicates), work).join();
    result.cancelled = progress.cancelled() && done.load() < replicates;
    for (size_t i = 0; i < answers.size(); ++i) {
        if (!finished[i])
            continue;
        if (answers[i].P < 0)
            ++result.failed;
        else
            result.replicates.push_back(answers[i]);
    }
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

Result run(const std::vector<TRadData> &DataRows, const std::vector<double> &expected,
           int replicates, std::uint64_t seed, const std::function<bool(int done)> &progress,
           int threads)
{
    return runPolled<Result>(
        [&](Progress &p) { return run(DataRows, expected, replicates, seed, p, threads); },
        [&](const Progress &p) { return progress(p.done()); }, std::chrono::milliseconds(50));
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p * double(values.size()));
    const size_t i = size_t(std::clamp(rank - 1, 0.0, double(values.size() - 1)));
    return values[i];
}

Interval interval(const std::vector<double> &values, double level)
{
    const double tail = (1 - level) / 2;
    return {percentile(values, tail), percentile(values, 1 - tail)};
}

} // namespace Bootstrap
