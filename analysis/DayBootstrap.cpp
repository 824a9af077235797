// The day-block residual bootstrap of the report's fit.
#include "DayBootstrap.h"

#include "app/Job.h"
#include "app/WorkerThreads.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace DayBootstrap {

namespace {

double uniform(std::mt19937_64 &rng)
{
    return double(rng() >> 11) * (1.0 / 9007199254740992.0); // [0, 1), 53 bits
}

size_t below(size_t n, std::mt19937_64 &rng)
{
    return std::min(n - 1, size_t(uniform(rng) * double(n)));
}

// The standardized residuals by day and hour of day (NaN where the day has
// no row of that hour), and the rows of each day.
struct Residuals {
    size_t days = 0;
    std::vector<double> byDayHour;             // days x 24
    std::vector<std::vector<size_t>> rowsOf;   // series rows of each day
    std::vector<std::vector<size_t>> daysWith; // days holding each hour of day
};

Residuals residualsOf(const WholeRangeFit::Result &fit)
{
    Residuals r;
    const WholeRangeFit::Rows &rows = fit.rows;
    const size_t n = rows.series.size();
    for (int d : rows.day)
        r.days = std::max(r.days, size_t(d) + 1);
    r.byDayHour.assign(r.days * 24, std::nan(""));
    r.rowsOf.resize(r.days);
    r.daysWith.resize(24);
    const double inflate = std::sqrt(double(n) / fit.freedom);
    for (size_t j = 0; j < n; ++j) {
        const size_t d = size_t(rows.day[j]), h = size_t(rows.series.hour[j]);
        r.rowsOf[d].push_back(j);
        double &cell = r.byDayHour[d * 24 + h];
        if (std::isnan(cell)) // of two rows of one hour, the first
            r.daysWith[h].push_back(d);
        if (std::isnan(cell))
            cell = (rows.series.y[j] - fit.fitted[j]) * std::sqrt(fit.weights[j]) * inflate;
    }
    return r;
}

// The counts of replicate i: day by day, a day drawn at random lends its
// residuals, hour by hour, to the fitted counts.
void drawCounts(const WholeRangeFit::Result &fit, const Residuals &residuals, std::uint64_t seed,
                int i, std::vector<double> &y)
{
    std::mt19937_64 rng(seed ^ (0x9E3779B97F4A7C15ull * std::uint64_t(i + 1)));
    const ProfileFit::Series &series = fit.rows.series;
    y.resize(series.size());
    for (size_t d = 0; d < residuals.days; ++d) {
        const size_t source = below(residuals.days, rng);
        for (size_t j : residuals.rowsOf[d]) {
            const size_t h = size_t(series.hour[j]);
            double e = residuals.byDayHour[source * 24 + h];
            if (std::isnan(e)) {
                const std::vector<size_t> &with = residuals.daysWith[h];
                e = residuals.byDayHour[with[below(with.size(), rng)] * 24 + h];
            }
            y[j] = fit.fitted[j] + e / std::sqrt(fit.weights[j]);
        }
    }
}

} // namespace

std::vector<double> draw(const WholeRangeFit::Result &fit, std::uint64_t seed, int replicate)
{
    std::vector<double> y;
    if (fit.valid)
        drawCounts(fit, residualsOf(fit), seed, replicate, y);
    return y;
}

double bytesPerThread(const WholeRangeFit::Result &fit)
{
    constexpr double Batch = ProfileFit::Evaluator::KernelReplicas;
    const double chunks = std::ceil(fit.grid.positions / double(ProfileFit::ChunkPositions));
    const double lanes = ProfileFit::Evaluator::Lanes;
    const double decays = std::ceil(double(fit.grid.decay.size()) / lanes) * lanes;
    // The rise and decay states at every chunk's ends, and the decay
    // states of one chunk's positions: (2 + 8) sums an hour of day a scale.
    const double perChunk = (2 + Batch) * 24 * (double(fit.grid.rise.size()) + decays) * 8;
    return chunks * perChunk + ProfileFit::ChunkPositions * perChunk / 2;
}

Result run(const WholeRangeFit::Result &fit, int replicates, std::uint64_t seed, Progress &progress,
           int threads)
{
    QElapsedTimer timer;
    timer.start();
    Result result;
    result.requested = std::max(0, replicates);
    progress.setTotal(result.requested);
    if (replicates <= 0)
        return result;
    if (!fit.valid) {
        result.failed = replicates; // no fit to resample: every replicate fails, counted
        progress.setDone(replicates);
        return result;
    }
    const Residuals residuals = residualsOf(fit);
    ProfileFit::Series series = fit.rows.series;
    series.weight = fit.weights;
    const size_t n = series.size();

    // Replicates in batches of eight, each batch on one thread: the batch
    // shares its profile factors and denominators. The last batch fills
    // its empty places with copies of its last replicate.
    constexpr int Batch = ProfileFit::Evaluator::KernelReplicas;
    const int batches = (replicates + Batch - 1) / Batch;
    const int affordable = int(std::max(1.0, MemoryBudget / bytesPerThread(fit)));
    threads = std::min(WorkerThreads::count(threads, batches), affordable);
    std::vector<Replicate> answers(static_cast<size_t>(replicates));
    std::vector<char> answered(size_t(replicates), 0), finished(size_t(replicates), 0);
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> stop{false}; // no memory for a worker: the rest is not run

    const auto work = [&] {
        try {
            ProfileFit::Evaluator evaluator(series, fit.grid, ProfileFit::Coupling::PerHour, Batch,
                                            &progress);
            std::vector<std::vector<double>> ys(Batch, std::vector<double>(n));
            for (;;) {
                const int batch = next.fetch_add(1);
                if (batch >= batches || stop.load() || progress.cancelled())
                    return;
                const int first = batch * Batch, count = std::min(Batch, replicates - first);
                for (int q = 0; q < Batch; ++q)
                    drawCounts(fit, residuals, seed, first + std::min(q, count - 1), ys[size_t(q)]);
                std::vector<ProfileFit::Evaluator::Best> best;
                try {
                    evaluator.setCounts(ys);
                    best = evaluator.bestOfReplicas(
                        [&] { return !progress.cancelled() && !stop.load(); });
                    if (best.empty())
                        return; // cancelled
                } catch (const JobCancelled &) {
                    return; // this batch is not finished
                } catch (const std::exception &) {
                    best.clear(); // counted below as failed replicates
                }
                for (int q = 0; q < count; ++q) {
                    const size_t i = size_t(first + q);
                    const bool ok = !best.empty() && best[size_t(q)].position >= 0;
                    if (ok)
                        answers[i] = {fit.grid.position(best[size_t(q)].position),
                                      fit.grid.rise[size_t(best[size_t(q)].rise)],
                                      fit.grid.decay[size_t(best[size_t(q)].decay)]};
                    answered[i] = ok;
                    finished[i] = 1;
                }
                done.fetch_add(count);
                progress.addDone(count);
            }
        } catch (const JobCancelled &) {
            // cancelled while the states were computed
        } catch (const std::exception &) {
            stop = true;
        }
    };
    WorkerThreads(threads, work).join();
    for (size_t i = 0; i < answers.size(); ++i) {
        if (!finished[i])
            continue;
        if (answered[i])
            result.replicates.push_back(answers[i]);
        else
            ++result.failed;
    }
    result.cancelled = done.load() < replicates;
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

Result run(const WholeRangeFit::Result &fit, int replicates, std::uint64_t seed,
           const std::function<bool(int done)> &progress, int threads)
{
    Progress own;
    if (!progress)
        return run(fit, replicates, seed, own, threads);
    const bool stop = !progress(0);
    return runPolled<Result>(
        [&](Progress &p) {
            if (stop)
                p.cancel();
            return run(fit, replicates, seed, p, threads);
        },
        [&](const Progress &p) { return progress(p.done()); }, std::chrono::milliseconds(20));
}

Intervals intervals(const Result &result, const WholeRangeFit::Rows &rows, double level)
{
    std::vector<double> a, b, P;
    for (const Replicate &r : result.replicates) {
        a.push_back(r.a);
        b.push_back(r.b);
        P.push_back(r.position);
    }
    Intervals out;
    out.a = Bootstrap::interval(a, level);
    out.b = Bootstrap::interval(b, level);
    out.position = Bootstrap::interval(P, level);
    out.solarLongitude = {WholeRangeFit::solarLongitudeAt(rows, out.position.lo),
                          WholeRangeFit::solarLongitudeAt(rows, out.position.hi)};
    return out;
}

} // namespace DayBootstrap
