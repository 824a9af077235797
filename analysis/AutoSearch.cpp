// The automatic parameter search: every a, b and position scored by dO.
#include "AutoSearch.h"

#include "app/Errors.h"
#include "app/Progress.h"
#include "app/WorkerThreads.h"

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

SearchInput::SearchInput(const std::vector<TRadData> &DataRows, int PeakOffset)
    : m_rows(DataRows), m_peakOffset(PeakOffset)
{
    const int N = static_cast<int>(DataRows.size());
    m_y.resize(static_cast<size_t>(N));
    m_hour.resize(static_cast<size_t>(N));
    m_sumY.assign(24, 0.0);
    m_hourCount.assign(24, 0.0);
    std::vector<int> count(24, 0);
    for (int j = 0; j < N; ++j) {
        const TRadData &row = DataRows[static_cast<size_t>(j)];
        m_y[static_cast<size_t>(j)] = row.Value;
        m_hour[static_cast<size_t>(j)] = row.Hour;
        // Candidate-independent sums, added in row order as the fit adds them.
        m_sumY[static_cast<size_t>(row.Hour)] += row.Value;
        count[static_cast<size_t>(row.Hour)] += 1;
    }
    for (int h = 0; h < 24; ++h)
        m_hourCount[static_cast<size_t>(h)] = count[static_cast<size_t>(h)];

    // Rows grouped by hour, each group in row order.
    m_hourStart.assign(25, 0);
    for (int h = 0; h < 24; ++h)
        m_hourStart[static_cast<size_t>(h + 1)] =
            m_hourStart[static_cast<size_t>(h)] + count[static_cast<size_t>(h)];
    m_hourRows.resize(static_cast<size_t>(N));
    std::vector<int> next(m_hourStart.begin(), m_hourStart.end() - 1);
    for (int j = 0; j < N; ++j)
        m_hourRows[static_cast<size_t>(
            next[static_cast<size_t>(m_hour[static_cast<size_t>(j)])]++)] = j;

    // exp(-d / s) for every distance d a candidate can meet and every scale
    // s: the same quotient gives the same bits as the fit's own exp.
    // Laid out by groups of Lanes scales, each group's distances in a row, so
    // that the kernel reads its lanes side by side and its rows in sequence.
    const int distances = std::max(N, PeakOffset + 6) + 1;
    m_exp.resize(static_cast<size_t>(distances) * PaddedScales);
    for (int s = 1; s <= PaddedScales; ++s) {
        const size_t group = static_cast<size_t>((s - 1) / Lanes),
                     lane = static_cast<size_t>((s - 1) % Lanes);
        for (int d = 0; d < distances; ++d)
            m_exp[(group * static_cast<size_t>(distances) + static_cast<size_t>(d)) * Lanes +
                  lane] = std::exp(static_cast<double>(-d) / static_cast<double>(s));
    }
    m_data.distances = distances;

    m_data.N = N;
    m_data.PeakOffset = PeakOffset;
    m_data.y = m_y.data();
    m_data.hour = m_hour.data();
    m_data.hourRows = m_hourRows.data();
    m_data.hourStart = m_hourStart.data();
    m_data.SumY = m_sumY.data();
    m_data.HourCount = m_hourCount.data();
    m_data.expTable = m_exp.data();
}

void SearchInput::scoreA(int a, double *dO, ScoreFailure *failure) const
{
    static const bool avx512 = SearchKernel::haveAvx512();
    if (avx512)
        SearchKernel::scoreAAvx512(m_data, a, dO, failure);
    else
        SearchKernel::scoreAGeneric(m_data, a, dO, failure);
}

void SearchInput::scoreALiteral(int a, double *dO, ScoreFailure *failure) const
{
    std::vector<TRadData> data = m_rows, model;
    HourBins bins;
    for (int b = 1; b <= SearchRange::Scales; ++b) {
        for (int k = 0; k < SearchRange::Positions; ++k) {
            const int slot = (b - 1) * SearchRange::Positions + k;
            try {
                dO[slot] = fitModel(data, model, {a, b, m_peakOffset - 5 + k, 0}, bins);
                failure[slot] = ScoreFailure::None;
            } catch (const EZeroDivide &) {
                failure[slot] = ScoreFailure::ZeroDivide;
            } catch (const EInvalidOp &) {
                failure[slot] = ScoreFailure::InvalidOp;
            }
        }
    }
}

void mergeScores(const double *dO, const ScoreFailure *failure, int a, int PeakOffset,
                 SearchBest &best)
{
    for (int slot = 0; slot < SearchRange::PerA; ++slot) {
        if (failure[slot] == ScoreFailure::ZeroDivide)
            throw EZeroDivide();
        if (failure[slot] == ScoreFailure::InvalidOp)
            throw EInvalidOp();
        if (best.BestDeviation < 0)
            best.BestDeviation = dO[slot];
        if (!(dO[slot] > best.BestDeviation)) {
            best.BestDeviation = dO[slot];
            best.BestA = a;
            best.BestB = slot / SearchRange::Positions + 1;
            best.BestPosition = PeakOffset - 5 + slot % SearchRange::Positions;
        }
    }
}

namespace {

// Worker threads score values of a ahead of the caller, who takes their
// results in the order of a.
class ParallelScores {
public:
    ParallelScores(const SearchInput &input, int threads)
        : m_input(input), m_dO(static_cast<size_t>(SearchRange::Scales) * SearchRange::PerA),
          m_failure(m_dO.size()), m_ready(SearchRange::Scales, false),
          m_workers(
              threads, [this] { work(); },
              [this] {
                  std::lock_guard lock(m_mutex);
                  m_done.notify_all();
              })
    {
    }
    ~ParallelScores() { m_stop.cancel(); } // then the workers are joined

    // Waits for the scores of a; throws what a worker threw.
    std::pair<const double *, const ScoreFailure *> scores(int a)
    {
        bool ready = false;
        {
            std::unique_lock lock(m_mutex);
            m_done.wait(lock,
                        [&] { return m_ready[static_cast<size_t>(a - 1)] || m_workers.failed(); });
            ready = m_ready[static_cast<size_t>(a - 1)];
        }
        if (!ready) {
            m_stop.cancel();
            m_workers.join();
        }
        const size_t at = static_cast<size_t>(a - 1) * SearchRange::PerA;
        return {m_dO.data() + at, m_failure.data() + at};
    }
    const std::vector<double> &all() const { return m_dO; }

private:
    void work()
    {
        for (;;) {
            const int a = m_next.fetch_add(1) + 1;
            if (a > SearchRange::Scales || m_stop.cancelled())
                return;
            const size_t at = static_cast<size_t>(a - 1) * SearchRange::PerA;
            m_input.scoreA(a, m_dO.data() + at, m_failure.data() + at);
            {
                std::lock_guard lock(m_mutex);
                m_ready[static_cast<size_t>(a - 1)] = true;
            }
            m_done.notify_all();
        }
    }

    const SearchInput &m_input;
    std::vector<double> m_dO;
    std::vector<ScoreFailure> m_failure;
    std::vector<bool> m_ready;
    std::atomic<int> m_next{0};
    Progress m_stop; // set when the caller leaves early
    std::mutex m_mutex;
    std::condition_variable m_done;
    WorkerThreads m_workers; // last: started once everything above is there
};

} // namespace

SearchBest autoSearch(const std::vector<TRadData> &DataRows, int PeakOffset,
                      const std::function<void(int a)> &progress, int threads, SearchScores *scores)
{
    const SearchInput input(DataRows, PeakOffset);
    if (threads <= 0)
        threads = WorkerThreads::available();
    SearchBest best;
    if (threads == 1) {
        std::vector<double> dO(SearchRange::PerA);
        std::vector<ScoreFailure> failure(SearchRange::PerA);
        if (scores)
            scores->clear();
        for (int a = 1; a <= SearchRange::Scales; ++a) {
            progress(a);
            input.scoreA(a, dO.data(), failure.data());
            mergeScores(dO.data(), failure.data(), a, PeakOffset, best);
            if (scores)
                scores->insert(scores->end(), dO.begin(), dO.end());
        }
        return best;
    }
    ParallelScores parallel(input, threads);
    for (int a = 1; a <= SearchRange::Scales; ++a) {
        progress(a);
        auto [dO, failure] = parallel.scores(a);
        mergeScores(dO, failure, a, PeakOffset, best);
    }
    if (scores)
        *scores = parallel.all();
    return best;
}

SearchBest autoSearchLiteral(const std::vector<TRadData> &DataRows, int PeakOffset,
                             const std::function<void(int a)> &progress)
{
    std::vector<TRadData> data = DataRows, model;
    HourBins bins;
    SearchBest best;
    for (int a = 1; a <= SearchRange::Scales; ++a) {
        progress(a);
        for (int b = 1; b <= SearchRange::Scales; ++b) {
            for (int P = PeakOffset - 5; P <= PeakOffset + 5; ++P) {
                const double dO = fitModel(data, model, {a, b, P, 0}, bins);
                if (best.BestDeviation < 0)
                    best.BestDeviation = dO;
                if (!(dO > best.BestDeviation)) {
                    best.BestDeviation = dO;
                    best.BestA = a;
                    best.BestB = b;
                    best.BestPosition = P;
                }
            }
        }
    }
    return best;
}

int progressStep(int statusBarWidth)
{
    // nearbyint rounds in the current mode, to nearest with halves to even.
    return static_cast<int>(std::nearbyint(statusBarWidth / 100.0)) - 1;
}
