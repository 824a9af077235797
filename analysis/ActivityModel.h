// The activity model: the rows of a Run, their peak, and the per-hour fit.
#pragma once

#include "app/Errors.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One analysed table row. In DataRows: the row's date text, hour of day,
// observed count and its fitted shower and sporadic parts. In ModelRows:
// Value is the profile factor x (0 < x <= 1) and Profile the profile M x.
struct TRadData {
    QString Date;
    std::int32_t Hour = 0;
    double Value = 0;
    double Profile = 0;
    double Shower = 0;
    double Sporadic = 0;
};

// Table rows FirstRow to LastRow; 0 means not found.
struct RowSelection {
    int FirstRow = 0;
    int LastRow = 0;
    bool valid() const { return FirstRow >= 1 && FirstRow <= LastRow; }
    int count() const { return LastRow - FirstRow + 1; }
};

struct Peak {
    int PeakValue = 0;  // the largest count of the selection, at least 0
    int PeakOffset = 0; // its offset; of equal counts the later row
};

// The table column of the count chosen in the data-column list, whose item
// k names column k + 2 (an empty list, index -1, gives column 1).
inline int countColumn(int listIndex)
{
    return listIndex + 2;
}

// The largest Value of the rows (at least 0) and its offset; of equal
// values the later row wins; with every value negative, offset 0.
Peak findPeak(const std::vector<TRadData> &DataRows);

// The seven hour-of-day bins of one fit.
struct HourBins {
    std::array<std::int32_t, 24> HourCount{};
    std::array<double, 24> SumXY{}, SumXX{}, SumY{}, SumX{}, ShowerCoef{}, SporadicLevel{};
    void clear() { *this = HourBins(); }
};

// The model's parameters: rise scale a and decay scale b in rows, the
// position P of the maximum as an offset, and the maximum M.
struct ModelParams {
    int a = 50;
    int b = 50;
    int P = 50;
    int M = 50;
};

// Profile, accumulation into the bins, the least-squares line
// y = K(h) x + C(h) of every hour of day, the split of every row and the
// relative deviation dO = |D / T|. ModelRows is resized to DataRows.
// A zero divisor throws where it is met, in the order of the computation:
// "Floating point division by zero", or "Invalid floating point operation"
// when the dividend is zero too.
double fitModel(std::vector<TRadData> &DataRows, std::vector<TRadData> &ModelRows,
                const ModelParams &params, HourBins &bins);

// The axis maximum of the chart: the next multiple of 10 above the peak.
inline int axisMaximum(int PeakValue)
{
    return 10 * (PeakValue / 10 + 1);
}

// Divides as the floating-point unit would report it: a zero divisor throws
// EZeroDivide, or EInvalidOp when the dividend is zero too.
double checkedDivide(double dividend, double divisor);
