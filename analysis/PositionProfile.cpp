// The best dO at every position, and the dO of every a and b at one.
#include "PositionProfile.h"

#include "app/Job.h"
#include "app/WorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace PositionProfile {

namespace {

using SearchRange::Positions;
using SearchRange::Scales;

// The best of one position's candidates as the search takes them: a then b,
// a score not greater than the best replacing it.
struct Best {
    double dO = -1;
    int a = 0, b = 0;
    bool failed = false;
    void take(double value, int ca, int cb)
    {
        if (dO < 0 || !(value > dO)) {
            dO = value;
            a = ca;
            b = cb;
        }
    }
};

Profile finish(std::vector<Point> points)
{
    Profile p;
    p.points = std::move(points);
    bool any = false;
    for (const Point &pt : p.points) {
        if (pt.gap)
            continue;
        if (!any || !(pt.dO > p.bestDO)) {
            // Of equal positions the later, as the search keeps the last.
            p.bestDO = pt.dO;
            p.bestPosition = pt.position;
            p.bestA = pt.a;
            p.bestB = pt.b;
        }
        any = true;
    }
    return p;
}

} // namespace

int Profile::positionsNearBest() const
{
    if (bestPosition == 0)
        return 0;
    return int(std::count_if(points.begin(), points.end(),
                             [&](const Point &p) { return !p.gap && p.dO <= bestDO * 1.01; }));
}

Profile compute(const std::vector<TRadData> &DataRows, Progress &progress, int threads)
{
    const int last = int(DataRows.size()) - 1; // positions 1 .. last
    const int blocks = last > 0 ? (last + Positions - 1) / Positions : 0;
    std::vector<Point> points(size_t(std::max(0, last)));
    progress.setTotal(blocks);
    std::atomic<int> next{0}, done{0};
    const auto work = [&] {
        std::vector<double> dO(SearchRange::PerA);
        std::vector<ScoreFailure> failure(SearchRange::PerA);
        for (;;) {
            const int block = next.fetch_add(1);
            if (block >= blocks || progress.cancelled())
                return;
            // The search's window centred so that it starts at the block's
            // first position.
            const int first = 1 + block * Positions;
            const SearchInput input(DataRows, first + 5);
            std::array<Best, Positions> best;
            for (int a = 1; a <= Scales; ++a) {
                if (progress.cancelled())
                    return; // the block is left out
                input.scoreA(a, dO.data(), failure.data());
                for (int b = 1; b <= Scales; ++b)
                    for (int k = 0; k < Positions; ++k) {
                        const size_t slot = size_t((b - 1) * Positions + k);
                        if (failure[slot] != ScoreFailure::None)
                            best[size_t(k)].failed = true;
                        else
                            best[size_t(k)].take(dO[slot], a, b);
                    }
            }
            for (int k = 0; k < Positions && first + k <= last; ++k) {
                const Best &bk = best[size_t(k)];
                points[size_t(first + k - 1)] = {first + k, bk.a, bk.b, bk.dO, bk.failed};
            }
            progress.setDone(done.fetch_add(1) + 1);
        }
    };
    WorkerThreads(WorkerThreads::count(threads, blocks), work).join();
    const bool cancelled = progress.cancelled() && done.load() < blocks;
    if (cancelled) {
        // The blocks not scored are left out.
        points.erase(std::remove_if(points.begin(), points.end(),
                                    [](const Point &p) { return p.position == 0; }),
                     points.end());
    }
    Profile p = finish(std::move(points));
    p.cancelled = cancelled;
    return p;
}

Profile compute(const std::vector<TRadData> &DataRows,
                const std::function<bool(int done, int total)> &progress, int threads)
{
    return runPolled<Profile>([&](Progress &p) { return compute(DataRows, p, threads); },
                              [&](const Progress &p) { return progress(p.done(), p.total()); },
                              std::chrono::milliseconds(20));
}

Profile computeLiteral(const std::vector<TRadData> &DataRows)
{
    std::vector<TRadData> data = DataRows, model;
    HourBins bins;
    std::vector<Point> points;
    for (int P = 1; P < int(DataRows.size()); ++P) {
        Best best;
        for (int a = 1; a <= Scales; ++a)
            for (int b = 1; b <= Scales; ++b) {
                try {
                    best.take(fitModel(data, model, {a, b, P, 0}, bins), a, b);
                } catch (const VexlorError &) {
                    best.failed = true;
                }
            }
        points.push_back({P, best.a, best.b, best.dO, best.failed});
    }
    return finish(std::move(points));
}

bool undetermined(const Profile &profile, int peakOffset)
{
    if (profile.bestPosition == 0)
        return true;
    return std::abs(profile.bestPosition - peakOffset) > 5 || profile.positionsNearBest() > 24;
}

Landscape landscape(const std::vector<TRadData> &DataRows, int position)
{
    Progress progress;
    return landscape(DataRows, position, progress);
}

Landscape landscape(const std::vector<TRadData> &DataRows, int position, Progress &progress)
{
    progress.setTotal(Scales);
    Landscape l;
    l.position = position;
    // The kernel scores the eleven positions around a centre, which must
    // leave the first of them at 1 or later; the position is one of them.
    if (position < 1 || DataRows.empty())
        return l;
    const int centre = std::max(position, 6);
    const size_t k = size_t(position - centre + 5);
    const SearchInput input(DataRows, centre);
    std::vector<double> dO(SearchRange::PerA);
    std::vector<ScoreFailure> failure(SearchRange::PerA);
    l.dO.resize(size_t(Scales) * Scales);
    l.failed.resize(l.dO.size());
    Best best;
    for (int a = 1; a <= Scales; ++a) {
        if (progress.cancelled())
            return Landscape{position, {}, {}, 0, 0, 0};
        input.scoreA(a, dO.data(), failure.data());
        progress.setDone(a);
        for (int b = 1; b <= Scales; ++b) {
            const size_t slot = size_t((b - 1) * Positions) + k,
                         cell = size_t((a - 1) * Scales + b - 1);
            l.dO[cell] = dO[slot];
            l.failed[cell] = failure[slot] != ScoreFailure::None;
            if (!l.failed[cell])
                best.take(dO[slot], a, b);
        }
    }
    l.bestA = best.a;
    l.bestB = best.b;
    l.bestDO = best.dO;
    return l;
}

Landscape fromScores(const SearchScores &scores, int peakOffset, int position)
{
    Landscape l;
    const int k = position - peakOffset + 5;
    if (k < 0 || k >= Positions || scores.size() != size_t(Scales) * SearchRange::PerA)
        return l;
    l.position = position;
    l.dO.resize(size_t(Scales) * Scales);
    l.failed.assign(l.dO.size(), false); // a search that ended met no failure
    Best best;
    for (int a = 1; a <= Scales; ++a)
        for (int b = 1; b <= Scales; ++b) {
            const double v = scores[size_t((a - 1) * SearchRange::PerA + (b - 1) * Positions + k)];
            l.dO[size_t((a - 1) * Scales + b - 1)] = v;
            best.take(v, a, b);
        }
    l.bestA = best.a;
    l.bestB = best.b;
    l.bestDO = best.dO;
    return l;
}

} // namespace PositionProfile
