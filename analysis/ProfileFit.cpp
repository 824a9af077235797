// The whole-range least-squares fit: direct fit, recurrences, scan.
#include "ProfileFit.h"

#include "app/Job.h"
#include "app/WorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace ProfileFit {

namespace {

constexpr double Degenerate = 1e-10; // as the kernel's: den lost in rounding
constexpr double Infinity = std::numeric_limits<double>::infinity();

double weightOf(const Series &s, size_t j)
{
    return s.weight.empty() ? 1.0 : s.weight[j];
}

double visibilityOf(const Series &s, size_t j)
{
    return s.visibility.empty() ? 1.0 : s.visibility[j];
}

// A row the fit can use: a time and a count that are numbers, an hour of
// day, a positive weight and a visibility that is a number.
bool usable(const Series &s, size_t j)
{
    const double w = weightOf(s, j), v = visibilityOf(s, j);
    return std::isfinite(s.t[j]) && std::isfinite(s.y[j]) && s.hour[j] >= 0 && s.hour[j] <= 23 &&
           std::isfinite(w) && w > 0 && std::isfinite(v) && v >= 0;
}

void checkSizes(const Series &s)
{
    const size_t n = s.t.size();
    if (s.hour.size() != n || s.y.size() != n || (!s.weight.empty() && s.weight.size() != n) ||
        (!s.visibility.empty() && s.visibility.size() != n))
        throw std::invalid_argument("ProfileFit: the series' columns differ in length");
}

double profileFactor(double t, double P, double a, double b)
{
    return t <= P ? std::exp(-(P - t) / a) : std::exp(-(t - P) / b);
}

// The kernel the processor can run.
using PositionFn = void (*)(const Kernel::Input &, int, const double *, const double *, double *,
                            double *, double *, double *);
PositionFn positionKernel()
{
    static const PositionFn fn =
        Kernel::haveAvx512() ? Kernel::positionAvx512 : Kernel::positionGeneric;
    return fn;
}

} // namespace

Fit fitAt(const Series &series, double P, double a, double b, Coupling coupling)
{
    checkSizes(series);
    const size_t n = series.size();
    Fit fit;
    fit.fitted.assign(n, 0.0);
    fit.profile.assign(n, 0.0);
    std::array<double, 24> sw{}, swx{}, swxx{}, swxy{}, swy{};
    for (size_t j = 0; j < n; ++j) {
        fit.profile[j] = profileFactor(series.t[j], P, a, b);
        if (!usable(series, j))
            continue;
        const size_t h = size_t(series.hour[j]);
        const double w = weightOf(series, j), z = visibilityOf(series, j) * fit.profile[j],
                     y = series.y[j];
        sw[h] += w;
        swx[h] += w * z;
        swxx[h] += w * z * z;
        swxy[h] += w * z * y;
        swy[h] += w * y;
    }
    double numSum = 0, denSum = 0, sxxSum = 0;
    std::array<double, 24> num{}, den{};
    for (size_t h = 0; h < 24; ++h) {
        fit.present[h] = sw[h] > 0;
        if (!fit.present[h])
            continue;
        const double ybar = swy[h] / sw[h];
        num[h] = swxy[h] - swx[h] * ybar;
        den[h] = swxx[h] - swx[h] * swx[h] / sw[h];
        numSum += num[h];
        denSum += den[h];
        sxxSum += swxx[h];
    }
    const double scale =
        coupling == Coupling::OneScale && denSum > Degenerate * sxxSum ? numSum / denSum : 0.0;
    for (size_t h = 0; h < 24; ++h) {
        if (!fit.present[h])
            continue;
        double K = scale;
        if (coupling == Coupling::PerHour)
            K = den[h] > Degenerate * swxx[h] ? num[h] / den[h] : 0.0;
        fit.K[h] = K;
        fit.C[h] = (swy[h] - K * swx[h]) / sw[h];
    }
    for (size_t j = 0; j < n; ++j) {
        if (!usable(series, j))
            continue;
        const size_t h = size_t(series.hour[j]);
        fit.fitted[j] = fit.K[h] * visibilityOf(series, j) * fit.profile[j] + fit.C[h];
        const double r = series.y[j] - fit.fitted[j];
        fit.rss += weightOf(series, j) * r * r;
    }
    return fit;
}

double nullRss(const Series &series)
{
    checkSizes(series);
    std::array<double, 24> sw{}, swy{};
    for (size_t j = 0; j < series.size(); ++j)
        if (usable(series, j)) {
            sw[size_t(series.hour[j])] += weightOf(series, j);
            swy[size_t(series.hour[j])] += weightOf(series, j) * series.y[j];
        }
    double rss = 0;
    for (size_t j = 0; j < series.size(); ++j)
        if (usable(series, j)) {
            const size_t h = size_t(series.hour[j]);
            const double r = series.y[j] - swy[h] / sw[h];
            rss += weightOf(series, j) * r * r;
        }
    return rss;
}

Evaluator::Evaluator(const Series &series, const Grid &grid, Coupling coupling, int replicas,
                     const Progress *progress)
    : m_grid(grid), m_coupling(coupling), m_progress(progress), m_replicas(std::max(1, replicas))
{
    checkSizes(series);
    if (grid.positions < 0 || !(grid.step > 0) || !std::isfinite(grid.first))
        throw std::invalid_argument("ProfileFit: a grid needs a positive step");
    for (const std::vector<double> *scales : {&grid.rise, &grid.decay})
        for (double s : *scales)
            if (!(s > 0) || !std::isfinite(s))
                throw std::invalid_argument("ProfileFit: scales must be positive");

    // Usable rows in time order (rows at one time keep their order).
    std::vector<size_t> order;
    for (size_t j = 0; j < series.size(); ++j)
        if (usable(series, j))
            order.push_back(j);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t l, size_t r) { return series.t[l] < series.t[r]; });

    // The hours of day whose line the profile can move: rows at two
    // different times (or visibilities) and some visibility. In any other
    // hour every row has the same profile factor, the shower coefficient
    // cannot be told from the background and the line explains nothing at
    // any candidate; such an hour's spread stays in every sum of squares
    // as it is, and its rows stay out of the recurrences.
    std::array<int, 24> binOf;
    binOf.fill(-1);
    std::array<size_t, 24> firstRow;
    std::array<bool, 24> seen{}, visible{}, varies{};
    for (size_t j : order) {
        const size_t h = size_t(series.hour[j]);
        const double v = visibilityOf(series, j);
        visible[h] = visible[h] || v > 0;
        if (!seen[h]) {
            seen[h] = true;
            firstRow[h] = j;
        } else if (series.t[j] != series.t[firstRow[h]] || v != visibilityOf(series, firstRow[h])) {
            varies[h] = true;
        }
    }
    for (size_t h = 0; h < 24; ++h) {
        m_hoursWithRows += seen[h] ? 1 : 0;
        if (seen[h] && visible[h] && varies[h])
            binOf[h] = m_hours++;
    }
    for (size_t j : order) {
        const int bin = binOf[size_t(series.hour[j])];
        if (bin < 0) {
            m_fixedRows.push_back(j);
            continue;
        }
        m_t.push_back(series.t[j]);
        m_w.push_back(weightOf(series, j));
        m_v.push_back(visibilityOf(series, j));
        m_bin.push_back(bin);
        m_order.push_back(j);
    }
    m_fixedSeries.hour = series.hour;
    m_fixedSeries.weight = series.weight;
    const size_t H = size_t(m_hours), R = size_t(m_replicas);
    m_y.resize(R * m_t.size());
    m_ybar.resize(R * H);
    m_invW.assign(H, 0.0);
    m_syyc.resize(R * H);
    m_syyTotal.resize(R);
    for (size_t i = 0; i < m_t.size(); ++i)
        m_invW[size_t(m_bin[i])] += m_w[i];
    for (double &w : m_invW)
        w = 1 / w;

    // Scales: the step factors; the decay scales padded to whole lanes with
    // the last scale, so the padding lanes compute finite numbers.
    const size_t A = grid.rise.size();
    m_paddedDecays = int((grid.decay.size() + Lanes - 1) / Lanes * Lanes);
    if (!grid.decay.empty())
        m_grid.decay.resize(size_t(m_paddedDecays), grid.decay.back());
    for (double a : grid.rise)
        m_riseStep.push_back(std::exp(-grid.step / a));
    for (double b : m_grid.decay)
        m_decayStep.push_back(std::exp(-grid.step / b));

    // Rows up to each position.
    const size_t K = size_t(std::max(0, grid.positions));
    m_upTo.resize(K);
    for (size_t k = 0; k < K; ++k)
        m_upTo[k] =
            int(std::upper_bound(m_t.begin(), m_t.end(), grid.position(int(k))) - m_t.begin());

    m_riseSize = A * size_t(sums()) * H;
    m_decaySize = H * size_t(sums()) * size_t(m_paddedDecays);
    if (K > 0 && A > 0 && !grid.decay.empty()) {
        m_riseCheckpoints.reset(new double[size_t(chunks()) * m_riseSize]);
        m_decayCheckpoints.reset(new double[size_t(chunks()) * m_decaySize]);
    }
    setCounts(std::vector<std::vector<double>>(R, series.y));
}

void Evaluator::setCounts(const std::vector<double> &y)
{
    setCounts(std::vector<std::vector<double>>(size_t(m_replicas), y));
}

void Evaluator::setCounts(const std::vector<std::vector<double>> &ys)
{
    if (ys.size() != size_t(m_replicas))
        throw std::invalid_argument("ProfileFit: one count vector per replica");
    const size_t H = size_t(m_hours), n = m_t.size();
    for (size_t r = 0; r < ys.size(); ++r) {
        const std::vector<double> &y = ys[r];
        double *yr = m_y.data() + r * n, *ybar = m_ybar.data() + r * H,
               *syyc = m_syyc.data() + r * H;
        for (size_t i = 0; i < n; ++i)
            yr[i] = y.at(m_order[i]);
        // Each hour's weighted mean and spread, in two passes for accuracy.
        std::fill(ybar, ybar + H, 0.0);
        std::fill(syyc, syyc + H, 0.0);
        for (size_t i = 0; i < n; ++i)
            ybar[size_t(m_bin[i])] += m_w[i] * yr[i];
        for (size_t h = 0; h < H; ++h)
            ybar[h] *= m_invW[h];
        for (size_t i = 0; i < n; ++i) {
            const double e = yr[i] - ybar[size_t(m_bin[i])];
            syyc[size_t(m_bin[i])] += m_w[i] * e * e;
        }
        m_syyTotal[r] = std::accumulate(syyc, syyc + H, 0.0);
        // The hours the profile cannot move keep their spread in every sum.
        if (!m_fixedRows.empty()) {
            std::array<double, 24> sw{}, swy{}, syy{};
            const auto w = [&](size_t j) { return weightOf(m_fixedSeries, j); };
            for (size_t j : m_fixedRows) {
                sw[size_t(m_fixedSeries.hour[j])] += w(j);
                swy[size_t(m_fixedSeries.hour[j])] += w(j) * y.at(j);
            }
            for (size_t j : m_fixedRows) {
                const size_t h = size_t(m_fixedSeries.hour[j]);
                const double e = y[j] - swy[h] / sw[h];
                syy[h] += w(j) * e * e;
            }
            m_syyTotal[r] += std::accumulate(syy.begin(), syy.end(), 0.0);
        }
    }
    if (!m_riseCheckpoints)
        return;

    // The states at the chunks' ends, by one pass forward and one back; on
    // two threads of the pool when they are long. Either way each state is
    // the same.
    const size_t K = size_t(m_grid.positions);
    if (K * (m_grid.rise.size() + size_t(m_paddedDecays)) * H > 2000000) {
        std::atomic<int> next{0};
        WorkerThreads(2, [this, &next] {
            for (int pass; (pass = next.fetch_add(1)) < 2;) {
                if (pass == 0)
                    riseCheckpoints();
                else
                    decayCheckpoints();
            }
        }).join();
    } else {
        riseCheckpoints();
        decayCheckpoints();
    }
}

void Evaluator::riseCheckpoints()
{
    const size_t K = size_t(m_grid.positions);
    std::vector<double> rise(m_riseSize);
    initialRise(rise.data(), m_grid.position(0));
    for (size_t k = 0; k < K; ++k) {
        if (k > 0) {
            stepRise(rise.data());
            for (int j = m_upTo[k - 1]; j < m_upTo[k]; ++j)
                addRise(rise.data(), j, m_grid.position(int(k)));
        }
        if (k % ChunkPositions == 0) {
            checkCancelled();
            std::copy(rise.begin(), rise.end(),
                      m_riseCheckpoints.get() + k / ChunkPositions * m_riseSize);
        }
    }
}

void Evaluator::decayCheckpoints()
{
    const size_t K = size_t(m_grid.positions);
    std::vector<double> decay(m_decaySize);
    initialDecay(decay.data(), m_grid.position(int(K) - 1));
    for (size_t k = K; k-- > 0;) {
        if (k + 1 < K) {
            stepDecay(decay.data());
            for (int j = m_upTo[k]; j < m_upTo[k + 1]; ++j)
                addDecay(decay.data(), j, m_grid.position(int(k)));
        }
        if (k + 1 == K || (k + 1) % ChunkPositions == 0) {
            checkCancelled();
            std::copy(decay.begin(), decay.end(),
                      m_decayCheckpoints.get() + k / ChunkPositions * m_decaySize);
        }
    }
}

// Rise state: [a][sum][hour] with the sums w z, w z^2 (z = v x) and w z y
// of each replica; decay state: [hour][sum][b], b padded. The x-only sums
// are shared by the replicas: they depend on the rows' times and weights
// alone.
void Evaluator::addRise(double *rise, int j, double P) const
{
    const size_t H = size_t(m_hours), h = size_t(m_bin[size_t(j)]), S = size_t(sums()),
                 n = m_t.size();
    const double d = P - m_t[size_t(j)], w = m_w[size_t(j)], v = m_v[size_t(j)];
    for (size_t ia = 0; ia < m_grid.rise.size(); ++ia) {
        const double z = v * std::exp(-d / m_grid.rise[ia]);
        double *r = rise + ia * S * H;
        r[h] += w * z;
        r[H + h] += w * z * z;
        for (size_t q = 0; q < size_t(m_replicas); ++q)
            r[(2 + q) * H + h] += w * z * m_y[q * n + size_t(j)];
    }
}

void Evaluator::addDecay(double *decay, int j, double P) const
{
    const size_t B = size_t(m_paddedDecays), h = size_t(m_bin[size_t(j)]), S = size_t(sums()),
                 n = m_t.size();
    const double d = m_t[size_t(j)] - P, w = m_w[size_t(j)], v = m_v[size_t(j)];
    double *s1 = decay + h * S * B, *s2 = s1 + B;
    for (size_t ib = 0; ib < B; ++ib) {
        const double z = v * std::exp(-d / m_grid.decay[ib]);
        s1[ib] += w * z;
        s2[ib] += w * z * z;
        for (size_t q = 0; q < size_t(m_replicas); ++q)
            s1[(2 + q) * B + ib] += w * z * m_y[q * n + size_t(j)];
    }
}

void Evaluator::stepRise(double *rise) const
{
    const size_t H = size_t(m_hours), S = size_t(sums());
    for (size_t ia = 0; ia < m_riseStep.size(); ++ia) {
        const double f = m_riseStep[ia], f2 = f * f;
        double *r = rise + ia * S * H;
        for (size_t h = 0; h < H; ++h) {
            r[h] *= f;
            r[H + h] *= f2;
        }
        for (size_t i = 2 * H; i < S * H; ++i)
            r[i] *= f;
    }
}

void Evaluator::stepDecay(double *decay) const
{
    const size_t B = size_t(m_paddedDecays), S = size_t(sums());
    for (size_t h = 0; h < size_t(m_hours); ++h) {
        double *s1 = decay + h * S * B, *s2 = s1 + B;
        for (size_t ib = 0; ib < B; ++ib) {
            const double f = m_decayStep[ib];
            s1[ib] *= f;
            s2[ib] *= f * f;
        }
        for (size_t q = 2; q < S; ++q)
            for (size_t ib = 0; ib < B; ++ib)
                s1[q * B + ib] *= m_decayStep[ib];
    }
}

void Evaluator::initialRise(double *rise, double P) const
{
    std::fill(rise, rise + m_riseSize, 0.0);
    const int end = int(std::upper_bound(m_t.begin(), m_t.end(), P) - m_t.begin());
    for (int j = 0; j < end; ++j)
        addRise(rise, j, P);
}

void Evaluator::initialDecay(double *decay, double P) const
{
    std::fill(decay, decay + m_decaySize, 0.0);
    const int begin = int(std::upper_bound(m_t.begin(), m_t.end(), P) - m_t.begin());
    for (int j = begin; j < int(m_t.size()); ++j)
        addDecay(decay, j, P);
}

// The kernel's terms of one side, in place of its sums: v = Sxx - Sx^2 / Sw
// of the side alone; for the rise side c = 2 Sx / Sw (the cross term of
// Sx^2), for the decay side Sx itself; and u = Sxy - Sx ybar of each
// replica.
void Evaluator::riseTerms(const double *rise, double *terms) const
{
    const size_t H = size_t(m_hours), S = size_t(sums());
    for (size_t ia = 0; ia < m_grid.rise.size(); ++ia) {
        const double *r = rise + ia * S * H;
        double *t = terms + ia * S * H;
        for (size_t h = 0; h < H; ++h) {
            const double sx = r[h];
            t[h] = r[H + h] - sx * sx * m_invW[h];
            t[H + h] = 2 * sx * m_invW[h];
            for (size_t q = 0; q < size_t(m_replicas); ++q)
                t[(2 + q) * H + h] = r[(2 + q) * H + h] - sx * m_ybar[q * H + h];
        }
    }
}

void Evaluator::decayTerms(double *decay) const
{
    const size_t B = size_t(m_paddedDecays), S = size_t(sums()), H = size_t(m_hours);
    for (size_t h = 0; h < H; ++h) {
        double *s1 = decay + h * S * B, *s2 = s1 + B;
        const double invW = m_invW[h];
        for (size_t q = 0; q < size_t(m_replicas); ++q) {
            double *u = s1 + (2 + q) * B;
            const double ybar = m_ybar[q * H + h];
            for (size_t ib = 0; ib < B; ++ib)
                u[ib] -= s1[ib] * ybar;
        }
        for (size_t ib = 0; ib < B; ++ib) {
            const double sx = s1[ib], sxx = s2[ib];
            s1[ib] = sxx - sx * sx * invW;
            s2[ib] = sx;
        }
    }
}

// The chunk's first rise state and the decay states of all its positions,
// from its last back.
void Evaluator::prepareChunk(int chunk, Workspace &work) const
{
    const int k0 = chunk * ChunkPositions, k1 = std::min(m_grid.positions, k0 + ChunkPositions);
    work.rise.assign(m_riseCheckpoints.get() + size_t(chunk) * m_riseSize,
                     m_riseCheckpoints.get() + size_t(chunk + 1) * m_riseSize);
    work.riseTerms.resize(m_riseSize);
    work.decayStates.resize(size_t(k1 - k0) * m_decaySize);
    double *last = work.decayStates.data() + size_t(k1 - 1 - k0) * m_decaySize;
    std::copy(m_decayCheckpoints.get() + size_t(chunk) * m_decaySize,
              m_decayCheckpoints.get() + size_t(chunk + 1) * m_decaySize, last);
    for (int k = k1 - 2; k >= k0; --k) {
        double *state = work.decayStates.data() + size_t(k - k0) * m_decaySize;
        std::copy(state + m_decaySize, state + 2 * m_decaySize, state);
        stepDecay(state);
        for (int j = m_upTo[size_t(k)]; j < m_upTo[size_t(k) + 1]; ++j)
            addDecay(state, j, m_grid.position(k));
    }
}

// The terms of position k of the chunk starting at k0: the rise state moved
// on to k, both sides' terms; returns the decay terms.
const double *Evaluator::termsAt(int k, int k0, Workspace &work) const
{
    if (k > k0) {
        stepRise(work.rise.data());
        for (int j = m_upTo[size_t(k) - 1]; j < m_upTo[size_t(k)]; ++j)
            addRise(work.rise.data(), j, m_grid.position(k));
    }
    riseTerms(work.rise.data(), work.riseTerms.data());
    // The raw state of k is no longer needed: k - 1 was derived from it.
    double *decay = work.decayStates.data() + size_t(k - k0) * m_decaySize;
    decayTerms(decay);
    return decay;
}

void Evaluator::scoreChunk(
    int chunk, Workspace &work, Minima *minima,
    const std::function<void(int k, const double *slab, const double *rowMin)> &visit) const
{
    const int K = m_grid.positions, A = rises();
    if (chunk < 0 || chunk >= chunks() || A == 0 || decays() == 0)
        return;
    if (m_replicas != 1)
        throw std::logic_error("ProfileFit: scoreChunk scores one count vector");
    const int k0 = chunk * ChunkPositions, k1 = std::min(K, k0 + ChunkPositions);
    const size_t B = size_t(m_paddedDecays);
    prepareChunk(chunk, work);
    work.slab.resize(size_t(A) * B);
    work.rowMin.resize(size_t(A));
    double *decayMin = nullptr, *shapeMin = nullptr;
    if (minima) {
        decayMin = minima->byDecay.data();
        if (!minima->byShape.empty())
            shapeMin = minima->byShape.data();
    } else {
        work.scratchDecayMin.assign(B, 0.0);
        decayMin = work.scratchDecayMin.data();
    }

    Kernel::Input in;
    in.hours = m_hours;
    in.paddedDecays = m_paddedDecays;
    in.syyc = m_syyc.data();
    in.syyTotal = m_syyTotal[0];
    in.oneScale = m_coupling == Coupling::OneScale;
    const PositionFn kernel = positionKernel();
    for (int k = k0; k < k1; ++k) {
        const double *decay = termsAt(k, k0, work);
        kernel(in, A, work.riseTerms.data(), decay, work.slab.data(), work.rowMin.data(), decayMin,
               shapeMin);
        if (minima)
            for (int ia = 0; ia < A; ++ia)
                minima->byRise[size_t(ia)] =
                    std::min(minima->byRise[size_t(ia)], work.rowMin[size_t(ia)]);
        if (visit)
            visit(k, work.slab.data(), work.rowMin.data());
    }
}

std::vector<Evaluator::Best> Evaluator::bestOfReplicas(const std::function<bool()> &keepGoing) const
{
    constexpr int R = KernelReplicas;
    if (m_replicas != R || m_coupling != Coupling::PerHour)
        throw std::logic_error(
            "ProfileFit: bestOfReplicas scores eight count vectors with a line per hour");
    const int A = rises();
    std::vector<Best> best(static_cast<size_t>(R));
    if (chunks() == 0 || A == 0 || decays() == 0)
        return best;
    using ReplicaFn = void (*)(const Kernel::ReplicaInput &, int, const double *, const double *,
                               double *, int *);
    static const ReplicaFn kernel =
        Kernel::haveAvx512() ? Kernel::replicasAvx512 : Kernel::replicasGeneric;
    const Kernel::ReplicaInput in{m_hours, m_paddedDecays, m_syyTotal.data()};
    Workspace work;
    const size_t H = size_t(m_hours), S = size_t(sums()), B = size_t(m_paddedDecays);
    std::vector<double> rise(size_t(A) * H * S), decayLanes(H * S * B);
    std::vector<double> rowBest(size_t(A) * R);
    std::vector<int> rowArg(size_t(A) * R);
    for (int chunk = 0; chunk < chunks(); ++chunk) {
        if (keepGoing && !keepGoing())
            return {};
        prepareChunk(chunk, work);
        const int k0 = chunk * ChunkPositions, k1 = std::min(m_grid.positions, k0 + ChunkPositions);
        for (int k = k0; k < k1; ++k) {
            // The kernel's order: each hour's terms of one rise scale side by
            // side, and each lane group's of the decay side.
            replicaOrder(termsAt(k, k0, work), work, rise.data(), decayLanes.data());
            kernel(in, A, rise.data(), decayLanes.data(), rowBest.data(), rowArg.data());
            for (int q = 0; q < R; ++q)
                for (int ia = 0; ia < A; ++ia) {
                    const double v = rowBest[size_t(ia) * R + size_t(q)];
                    Best &b = best[size_t(q)];
                    if (b.position < 0 || v < b.rss)
                        b = {k, ia, std::min(rowArg[size_t(ia) * R + size_t(q)], decays() - 1), v};
                }
        }
    }
    return best;
}

void Evaluator::replicaOrder(const double *decay, const Workspace &work, double *rise,
                             double *decayLanes) const
{
    const size_t A = size_t(rises()), H = size_t(m_hours), S = size_t(sums()),
                 B = size_t(m_paddedDecays), L = size_t(Lanes);
    for (size_t ia = 0; ia < A; ++ia)
        for (size_t h = 0; h < H; ++h)
            for (size_t q = 0; q < S; ++q)
                rise[(ia * H + h) * S + q] = work.riseTerms[(ia * S + q) * H + h];
    for (size_t h = 0; h < H; ++h)
        for (size_t q = 0; q < S; ++q)
            for (size_t ib = 0; ib < B; ++ib)
                decayLanes[((h * (B / L) + ib / L) * S + q) * L + ib % L] =
                    decay[(h * S + q) * B + ib];
}

void Evaluator::scoreReplicasChunk(int chunk, Workspace &work, double *into, bool add) const
{
    constexpr int R = KernelReplicas;
    if (m_replicas != R)
        throw std::logic_error("ProfileFit: scoreReplicasChunk scores eight count vectors");
    const int A = rises();
    if (chunk < 0 || chunk >= chunks() || A == 0 || decays() == 0)
        return;
    using SlabFn = void (*)(const Kernel::ReplicaInput &, bool, bool, int, const double *,
                            const double *, double *);
    static const SlabFn kernel =
        Kernel::haveAvx512() ? Kernel::replicaSlabsAvx512 : Kernel::replicaSlabsGeneric;
    const Kernel::ReplicaInput in{m_hours, m_paddedDecays, m_syyTotal.data()};
    const bool oneScale = m_coupling == Coupling::OneScale;
    const size_t H = size_t(m_hours), S = size_t(sums()), B = size_t(m_paddedDecays);
    work.replicaRise.resize(size_t(A) * H * S);
    work.replicaDecay.resize(H * S * B);
    prepareChunk(chunk, work);
    const int k0 = chunk * ChunkPositions, k1 = std::min(m_grid.positions, k0 + ChunkPositions);
    for (int k = k0; k < k1; ++k) {
        // The kernel's order, as bestOfReplicas gives it.
        replicaOrder(termsAt(k, k0, work), work, work.replicaRise.data(), work.replicaDecay.data());
        kernel(in, oneScale, add, A, work.replicaRise.data(), work.replicaDecay.data(),
               into + size_t(k - k0) * size_t(A) * R * B);
    }
}

Scan scan(const Evaluator &evaluator, const ScanOptions &options, Progress &progress)
{
    Scan s;
    s.positions = evaluator.positions();
    s.rises = evaluator.rises();
    s.decays = evaluator.decays();
    s.nullRss = evaluator.nullRss();
    s.hoursPresent = evaluator.hoursPresent();
    const size_t A = size_t(s.rises), B = size_t(s.decays),
                 stride = size_t(evaluator.paddedDecays());
    s.byPosition.assign(size_t(s.positions), Infinity);
    s.riseAt.assign(size_t(s.positions), -1);
    s.decayAt.assign(size_t(s.positions), -1);
    s.byRise.assign(A, Infinity);
    s.byDecay.assign(B, Infinity);
    const int total = evaluator.chunks();
    if (total == 0 || A == 0 || B == 0 || s.hoursPresent == 0)
        return s;

    const int threads = WorkerThreads::count(options.threads, total);
    std::vector<Evaluator::Minima> minima(static_cast<size_t>(threads));
    for (Evaluator::Minima &m : minima) {
        m.byRise.assign(A, Infinity);
        m.byDecay.assign(stride, Infinity);
        if (options.shapes)
            m.byShape.assign(A * stride, Infinity);
    }
    // A position's best: the least rise scale of the least sum, then the
    // least decay scale of that row. Positions are disjoint between threads.
    const auto visit = [&s, A, stride](int k, const double *slab, const double *rowMin) {
        size_t ia = 0;
        for (size_t i = 1; i < A; ++i)
            if (rowMin[i] < rowMin[ia])
                ia = i;
        const double *row = slab + ia * stride;
        size_t ib = 0;
        while (ib + 1 < stride && !(row[ib] <= rowMin[ia]))
            ++ib;
        s.byPosition[size_t(k)] = rowMin[ia];
        s.riseAt[size_t(k)] = int(ia);
        s.decayAt[size_t(k)] = int(std::min(ib, size_t(s.decays) - 1));
    };
    // Each thread lowers minima of its own; a minimum does not depend on
    // the order its values come in, so neither does the merge below.
    std::atomic<int> next{0}, done{0}, slot{0};
    WorkerThreads(threads, [&] {
        Evaluator::Minima &m = minima[size_t(slot.fetch_add(1))];
        Evaluator::Workspace space;
        for (;;) {
            if (progress.cancelled())
                return;
            const int chunk = next.fetch_add(1);
            if (chunk >= total)
                return;
            evaluator.scoreChunk(chunk, space, &m, visit);
            done.fetch_add(1);
            progress.addDone();
        }
    }).join();
    s.cancelled = done.load() < total;
    if (s.cancelled)
        return s;

    if (options.shapes)
        s.byShape.assign(A * B, Infinity);
    for (const Evaluator::Minima &m : minima) {
        for (size_t i = 0; i < A; ++i)
            s.byRise[i] = std::min(s.byRise[i], m.byRise[i]);
        for (size_t i = 0; i < B; ++i)
            s.byDecay[i] = std::min(s.byDecay[i], m.byDecay[i]);
        if (options.shapes)
            for (size_t ia = 0; ia < A; ++ia)
                for (size_t ib = 0; ib < B; ++ib)
                    s.byShape[ia * B + ib] =
                        std::min(s.byShape[ia * B + ib], m.byShape[ia * stride + ib]);
    }
    s.pickBest();
    return s;
}

void Scan::pickBest()
{
    for (int k = 0; k < positions; ++k)
        if (byPosition[size_t(k)] < Infinity &&
            (bestPosition < 0 || byPosition[size_t(k)] < bestRss)) {
            bestPosition = k;
            bestRss = byPosition[size_t(k)];
        }
    if (bestPosition >= 0) {
        bestRise = riseAt[size_t(bestPosition)];
        bestDecay = decayAt[size_t(bestPosition)];
    }
}

Scan scan(const Evaluator &evaluator, const ScanOptions &options,
          const std::function<bool(int done, int total)> &progress)
{
    const int total = evaluator.chunks();
    Progress own;
    own.setTotal(total);
    if (!progress)
        return scan(evaluator, options, own);
    // Asked once before the start, so that a "no" scores nothing.
    const bool stop = !progress(0, total);
    return runPolled<Scan>(
        [&](Progress &p) {
            p.setTotal(total);
            if (stop)
                p.cancel();
            return scan(evaluator, options, p);
        },
        [&](const Progress &p) { return progress(p.done(), total); },
        std::chrono::milliseconds(20));
}

} // namespace ProfileFit
