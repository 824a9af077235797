// The day-block bootstrap of the stacked fit.
#include "StackedBootstrap.h"

#include "DayBootstrap.h"
#include "app/Progress.h"
#include "app/WorkerThreads.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace StackedBootstrap {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr int Batch = ProfileFit::Evaluator::KernelReplicas;

// Dataset d's own stream of replicates.
std::uint64_t datasetSeed(std::uint64_t seed, size_t d)
{
    return seed ^ (0xD1B54A32D192ED03ull * std::uint64_t(d + 1));
}

ProfileFit::Coupling couplingOf(const StackedFit::Result &fit)
{
    return fit.modulation == StackedFit::Modulation::Radiant ? ProfileFit::Coupling::OneScale
                                                             : ProfileFit::Coupling::PerHour;
}

// Dataset d as the report's fit of one selection, for its day-block draw:
// its rows, days, weights and fitted counts, and the degrees of freedom
// that scale its residuals as those of the whole fit (sqrt(n / (n - p))
// with the rows and parameters of all datasets).
WholeRangeFit::Result asSelection(const StackedFit::Result &fit, size_t d)
{
    WholeRangeFit::Result r;
    const ShowerSeasons::Dataset &set = fit.datasets[d];
    r.valid = true;
    r.rows.series = set.series;
    r.rows.day = set.day;
    r.weights = fit.joint.weights[d];
    r.fitted = fit.joint.fits[d].fitted;
    r.freedom = double(set.size()) * fit.joint.freedom / double(fit.joint.rows);
    return r;
}

ProfileFit::Series weighted(const StackedFit::Result &fit, size_t d)
{
    ProfileFit::Series s = fit.datasets[d].series;
    s.weight = fit.joint.weights[d];
    return s;
}

// One thread's search: the datasets' evaluators of eight count vectors on
// the coarse grid, kept from batch to batch.
class Search {
public:
    Search(const StackedFit::Result &fit, const std::vector<WholeRangeFit::Result> &selections,
           const ProfileFit::Grid &coarse, std::uint64_t seed, Progress *progress)
        : m_fit(fit), m_selections(selections), m_coarse(coarse), m_seed(seed), m_progress(progress)
    {
        for (size_t d = 0; d < fit.datasets.size(); ++d)
            m_coarseEvaluators.push_back(std::make_unique<ProfileFit::Evaluator>(
                weighted(fit, d), coarse, couplingOf(fit), Batch));
    }

    // The answers of replicates first .. first + count - 1; nothing when
    // cancelled.
    std::optional<std::vector<std::optional<Replicate>>> batch(int first, int count)
    {
        const size_t D = m_fit.datasets.size();
        std::vector<std::vector<std::vector<double>>> ys(D);
        for (size_t d = 0; d < D; ++d) {
            for (int q = 0; q < Batch; ++q)
                ys[d].push_back(DayBootstrap::draw(m_selections[d], datasetSeed(m_seed, d),
                                                   first + std::min(q, count - 1)));
            m_coarseEvaluators[d]->setCounts(ys[d]);
        }
        const std::optional<std::vector<std::vector<double>>> profiles = coarseProfiles();
        if (!profiles)
            return std::nullopt;
        std::vector<std::optional<Replicate>> out(static_cast<size_t>(count));
        for (int q = 0; q < count; ++q) {
            if (m_progress && m_progress->cancelled())
                return std::nullopt;
            std::vector<std::vector<double>> counts(D);
            for (size_t d = 0; d < D; ++d)
                counts[d] = ys[d][size_t(q)];
            out[size_t(q)] = refine((*profiles)[size_t(q)], counts);
        }
        return out;
    }

private:
    // The least sum of squares at every coarse position, per replica.
    std::optional<std::vector<std::vector<double>>> coarseProfiles()
    {
        const ProfileFit::Evaluator &first = *m_coarseEvaluators.front();
        const size_t A = size_t(first.rises()), B = size_t(first.decays()),
                     stride = size_t(first.paddedDecays()), plane = A * Batch * stride;
        std::vector<std::vector<double>> profiles(Batch,
                                                  std::vector<double>(size_t(first.positions())));
        for (int chunk = 0; chunk < first.chunks(); ++chunk) {
            const int k0 = chunk * ProfileFit::ChunkPositions;
            const int k1 = std::min(first.positions(), k0 + ProfileFit::ChunkPositions);
            m_acc.resize(size_t(k1 - k0) * plane);
            for (size_t d = 0; d < m_coarseEvaluators.size(); ++d) {
                if (m_progress && m_progress->cancelled())
                    return std::nullopt;
                m_coarseEvaluators[d]->scoreReplicasChunk(chunk, m_work, m_acc.data(), d > 0);
            }
            for (int k = k0; k < k1; ++k) {
                const double *slab = m_acc.data() + size_t(k - k0) * plane;
                for (size_t q = 0; q < Batch; ++q) {
                    double m = Infinity;
                    for (size_t ia = 0; ia < A; ++ia) {
                        const double *row = slab + (ia * Batch + q) * stride;
                        for (size_t ib = 0; ib < B; ++ib)
                            m = std::min(m, row[ib]);
                    }
                    profiles[q][size_t(k)] = m;
                }
            }
        }
        return profiles;
    }

    // The best candidate near the best local minima of a coarse profile,
    // at every 0.01 degree and every scale.
    std::optional<Replicate> refine(const std::vector<double> &profile,
                                    const std::vector<std::vector<double>> &counts)
    {
        std::vector<int> minima;
        const int K = int(profile.size());
        for (int k = 0; k < K; ++k) {
            const double v = profile[size_t(k)];
            if (!std::isfinite(v))
                continue;
            if ((k == 0 || v <= profile[size_t(k - 1)]) &&
                (k + 1 == K || v <= profile[size_t(k + 1)]))
                minima.push_back(k);
        }
        std::stable_sort(minima.begin(), minima.end(),
                         [&](int l, int r) { return profile[size_t(l)] < profile[size_t(r)]; });
        if (minima.size() > size_t(Refined))
            minima.resize(size_t(Refined));
        std::optional<Replicate> best;
        double bestRss = Infinity;
        const double last = m_coarse.position(m_coarse.positions - 1);
        const ProfileFit::Grid &fine = m_fit.joint.grid;
        for (int k : minima) {
            const double at = m_coarse.position(k);
            ProfileFit::Grid grid = fine;
            // The fine grid's own positions within one coarse step.
            const int from = std::max(
                0,
                int(std::ceil((std::max(m_coarse.first, at - CoarseStep) - fine.first) / fine.step -
                              1e-9)));
            const int to = std::min(
                fine.positions - 1,
                int(std::floor((std::min(last, at + CoarseStep) - fine.first) / fine.step + 1e-9)));
            grid.first = fine.position(from);
            grid.positions = std::max(1, to - from + 1);
            std::vector<std::unique_ptr<ProfileFit::Evaluator>> owned;
            std::vector<const ProfileFit::Evaluator *> evaluators;
            for (size_t d = 0; d < counts.size(); ++d) {
                ProfileFit::Series s = weighted(m_fit, d);
                s.y = counts[d];
                owned.push_back(
                    std::make_unique<ProfileFit::Evaluator>(s, grid, couplingOf(m_fit)));
                evaluators.push_back(owned.back().get());
            }
            const ProfileFit::Scan scan = StackedFit::scanTogether(evaluators, 1, nullptr);
            if (!scan.valid())
                continue;
            const double position = grid.position(scan.bestPosition);
            if (!best || scan.bestRss < bestRss ||
                (scan.bestRss == bestRss && position < best->position)) {
                bestRss = scan.bestRss;
                best = Replicate{position, grid.rise[size_t(scan.bestRise)],
                                 grid.decay[size_t(scan.bestDecay)]};
            }
        }
        return best;
    }

    const StackedFit::Result &m_fit;
    const std::vector<WholeRangeFit::Result> &m_selections;
    ProfileFit::Grid m_coarse;
    std::uint64_t m_seed;
    Progress *m_progress;
    std::vector<std::unique_ptr<ProfileFit::Evaluator>> m_coarseEvaluators;
    ProfileFit::Evaluator::Workspace m_work;
    std::vector<double> m_acc;
};

} // namespace

std::vector<double> draw(const StackedFit::Result &fit, size_t d, std::uint64_t seed, int replicate)
{
    if (!fit.valid || d >= fit.datasets.size())
        return {};
    return DayBootstrap::draw(asSelection(fit, d), datasetSeed(seed, d), replicate);
}

Result run(const StackedFit::Result &fit, int replicates, std::uint64_t seed, Progress *progress,
           int threads)
{
    QElapsedTimer timer;
    timer.start();
    Result result;
    result.requested = std::max(0, replicates);
    if (replicates <= 0)
        return result;
    if (!fit.valid) {
        result.failed = replicates; // no fit to resample: every replicate fails, counted
        result.failure = QStringLiteral("there is no fit to resample");
        return result;
    }
    std::vector<WholeRangeFit::Result> selections;
    for (size_t d = 0; d < fit.datasets.size(); ++d)
        selections.push_back(asSelection(fit, d));

    const ProfileFit::Grid &fine = fit.joint.grid;
    ProfileFit::Grid coarse = fine;
    coarse.step = CoarseStep;
    coarse.positions =
        int(std::floor((fine.position(fine.positions - 1) - fine.first) / CoarseStep + 1e-9)) + 1;

    // The memory a thread's search holds: every dataset's states of eight
    // replicas at the ends of the coarse chunks, and the summed slabs.
    const double chunks = std::ceil(double(coarse.positions) / ProfileFit::ChunkPositions);
    const double scales = double(coarse.rise.size() + coarse.decay.size() + 8);
    const double perThread = double(fit.datasets.size()) * chunks * scales * 24 * (2 + Batch) * 8 +
                             double(ProfileFit::ChunkPositions) * double(coarse.rise.size()) *
                                 Batch * double(coarse.decay.size() + 8) * 8;
    const int batches = (replicates + Batch - 1) / Batch;
    int count = WorkerThreads::count(threads, batches);
    while (count > 1 && count * perThread > StackedFit::MaxStateBytes)
        --count;
    if (perThread > StackedFit::MaxStateBytes) {
        result.failed = replicates;
        result.failure = QStringLiteral("the resampling of %1 datasets needs more memory than it "
                                        "may take; choose a narrower window or fewer columns")
                             .arg(fit.datasets.size());
        return result;
    }

    if (progress)
        progress->setTotal(replicates);
    std::vector<Replicate> answers(static_cast<size_t>(replicates));
    std::vector<char> answered(size_t(replicates), 0), finished(size_t(replicates), 0);
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    const auto work = [&] {
        Search search(fit, selections, coarse, seed, progress);
        for (;;) {
            const int b = next.fetch_add(1);
            if (b >= batches || stop.load())
                return;
            const int first = b * Batch, n = std::min(Batch, replicates - first);
            std::optional<std::vector<std::optional<Replicate>>> out;
            try {
                out = search.batch(first, n);
                if (!out) {
                    stop = true; // cancelled
                    return;
                }
            } catch (const std::bad_alloc &) {
                throw;
            } catch (const std::exception &) {
                out.emplace(size_t(n)); // counted below as failed replicates
            }
            for (int q = 0; q < n; ++q) {
                const size_t i = size_t(first + q);
                answered[i] = (*out)[size_t(q)].has_value();
                if (answered[i])
                    answers[i] = *(*out)[size_t(q)];
                finished[i] = 1;
            }
            if (progress)
                progress->addDone(n);
        }
    };
    {
        WorkerThreads pool(count, work, [&] { stop = true; });
        pool.join();
    }
    for (size_t i = 0; i < answers.size(); ++i) {
        if (!finished[i])
            continue;
        if (answered[i])
            result.replicates.push_back(answers[i]);
        else
            ++result.failed;
    }
    result.cancelled = int(result.replicates.size()) + result.failed < replicates ||
                       (progress && progress->cancelled());
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

Intervals intervals(const Result &result, double level)
{
    std::vector<double> lambda, a, b;
    for (const Replicate &r : result.replicates) {
        lambda.push_back(r.position);
        a.push_back(r.a);
        b.push_back(r.b);
    }
    Intervals out;
    if (result.replicates.empty()) {
        const double none = std::nan("");
        out.lambda = out.bPlus = out.bMinus = {none, none};
        return out;
    }
    const auto wrap = [](double v) {
        const double d = std::fmod(v, 360.0);
        return d < 0 ? d + 360.0 : d;
    };
    const Bootstrap::Interval l = Bootstrap::interval(lambda, level);
    out.lambda = {wrap(l.lo), wrap(l.hi)};
    // A longer scale is a smaller slope: the ends swap.
    const auto slopes = [level](const std::vector<double> &scales) {
        const Bootstrap::Interval s = Bootstrap::interval(scales, level);
        return Bootstrap::Interval{1 / (s.hi * std::log(10.0)), 1 / (s.lo * std::log(10.0))};
    };
    out.bPlus = slopes(a);
    out.bMinus = slopes(b);
    return out;
}

} // namespace StackedBootstrap
