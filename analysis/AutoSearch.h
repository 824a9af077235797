// The automatic parameter search: every a, b and position scored by dO.
#pragma once

#include "ActivityModel.h"

#include <cstdint>
#include <functional>
#include <vector>

// The ranges searched: a and b from 1 to 100, the position P from
// PeakOffset - 5 to PeakOffset + 5; 110 000 candidates in all.
namespace SearchRange {
inline constexpr int Scales = 100;
inline constexpr int Positions = 11;
inline constexpr int PerA = Scales * Positions;
} // namespace SearchRange

// The search's window reaches five rows before the peak: it runs only on
// rows whose peak lies past their first six.
inline bool searchable(const Peak &peak)
{
    return peak.PeakOffset > 5;
}

struct SearchBest {
    double BestDeviation = -1000; // no candidate scored yet
    int BestA = 0;
    int BestB = 0;
    int BestPosition = 0;
};

// Outcome of scoring one candidate: its dO, or the failure the fit met.
enum class ScoreFailure : std::uint8_t { None, ZeroDivide, InvalidOp };

// What the scoring needs of the selected rows, prepared once per search.
class SearchInput {
public:
    SearchInput(const std::vector<TRadData> &DataRows, int PeakOffset);

    int rows() const { return static_cast<int>(m_y.size()); }
    int peakOffset() const { return m_peakOffset; }

    // Scores the 1 100 candidates of one a, into dO[(b - 1) * 11 + k] and
    // failure[...] for b = 1 .. 100 and P = PeakOffset - 5 + k. Every dO is
    // bit for bit the one fitModel gives for that candidate.
    void scoreA(int a, double *dO, ScoreFailure *failure) const;

    // The same, by the straightforward fit of every candidate.
    void scoreALiteral(int a, double *dO, ScoreFailure *failure) const;

    // Lanes of the scoring kernel: b values scored side by side.
    static constexpr int Lanes = 8;
    static constexpr int Groups = 3;         // lane groups scored in one pass
    static constexpr int PaddedScales = 104; // 100 rounded up to whole groups

    struct Data {
        int N = 0;
        int PeakOffset = 0;
        const double *y = nullptr;
        const std::int32_t *hour = nullptr;
        const std::int32_t *hourRows = nullptr;  // row numbers grouped by hour, in row order
        const std::int32_t *hourStart = nullptr; // 25 offsets into hourRows
        const double *SumY = nullptr;            // per hour, summed in row order
        const double *HourCount = nullptr;       // per hour
        int distances = 0;                       // distances d the table holds
        const double *expTable = nullptr;        // exp(-d / s), by lane groups of s
    };
    const Data &data() const { return m_data; }

private:
    std::vector<TRadData> m_rows;
    std::vector<double> m_y;
    std::vector<std::int32_t> m_hour, m_hourRows, m_hourStart;
    std::vector<double> m_sumY, m_hourCount, m_exp;
    int m_peakOffset;
    Data m_data;
};

// Every candidate's dO as the search scored it: scores[(a - 1) * PerA +
// (b - 1) * 11 + k] for P = PeakOffset - 5 + k (failed candidates hold what
// the kernel left there).
using SearchScores = std::vector<double>;

// The search: a from 1 to 100 outermost, b from 1 to 100, P innermost; a
// candidate replaces the best when its dO is not greater, so that of equal
// scores the last wins. progress(a) is called once per value of a, before
// that a's candidates count, on the calling thread. A zero divisor in the
// fit throws at the first candidate, in that order, that meets it (after
// progress for its a). Scoring runs on up to `threads` threads (0: as many
// as the machine has); the result does not depend on their number. When
// scores is given it receives every candidate's dO, at no extra scoring.
SearchBest autoSearch(const std::vector<TRadData> &DataRows, int PeakOffset,
                      const std::function<void(int a)> &progress, int threads = 0,
                      SearchScores *scores = nullptr);

// Merges the scores of one a (as scoreA gives them) into the best so far,
// in candidate order: a failure throws its error, and a score not greater
// than the best replaces it.
void mergeScores(const double *dO, const ScoreFailure *failure, int a, int PeakOffset,
                 SearchBest &best);

// The search as a literal loop over fitModel, one candidate at a time.
SearchBest autoSearchLiteral(const std::vector<TRadData> &DataRows, int PeakOffset,
                             const std::function<void(int a)> &progress);

// Pixels the progress bar grows per value of a: the status bar's width / 100
// rounded to the nearest whole number (halves to even), minus 1.
int progressStep(int statusBarWidth);

namespace SearchKernel {
// The kernels, one per instruction set; both compute the same bits.
void scoreAGeneric(const SearchInput::Data &data, int a, double *dO, ScoreFailure *failure);
void scoreAAvx512(const SearchInput::Data &data, int a, double *dO, ScoreFailure *failure);
bool haveAvx512();
} // namespace SearchKernel
