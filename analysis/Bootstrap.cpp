// A parametric bootstrap of Auto Calc's answer.
#include "Bootstrap.h"

#include "AutoSearch.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <math.h>
#include <mutex>
#include <thread>

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
           int replicates, std::uint64_t seed, const std::function<bool(int done)> &progress,
           int threads)
{
    QElapsedTimer timer;
    timer.start();
    Result result;
    result.requested = replicates;
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::max(1, std::min(threads, replicates));

    // Replicate i: its counts, its peak, the search; -1 in P marks a failure.
    std::vector<Replicate> answers(size_t(std::max(0, replicates)));
    std::vector<char> finished(answers.size(), 0);
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable changed;
    const auto work = [&] {
        std::vector<TRadData> rows = DataRows;
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= replicates || cancel)
                return;
            std::mt19937_64 rng(seed ^ (0x9E3779B97F4A7C15ull * std::uint64_t(i + 1)));
            for (size_t j = 0; j < rows.size(); ++j)
                rows[j].Value = poisson(expected[j], rng);
            Replicate r;
            r.P = -1;
            const Peak peak = findPeak(rows);
            if (peak.PeakOffset > 5) {
                try {
                    const SearchBest best = autoSearch(
                        rows, peak.PeakOffset, [](int) {}, 1);
                    r = {best.BestA, best.BestB, best.BestPosition};
                } catch (const VexlorError &) {
                    // a zero divisor: this replicate has no answer
                }
            }
            {
                std::lock_guard lock(mutex);
                answers[size_t(i)] = r;
                finished[size_t(i)] = 1;
            }
            done.fetch_add(1);
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        while (done.load() < replicates) {
            changed.wait_for(lock, std::chrono::milliseconds(50));
            lock.unlock();
            if (!progress(done.load())) {
                cancel = true;
                lock.lock();
                break;
            }
            lock.lock();
        }
    }
    for (std::thread &t : workers)
        t.join();
    result.cancelled = cancel && done.load() < replicates;
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
