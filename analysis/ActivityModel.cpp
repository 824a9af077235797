// The activity model: the peak and the per-hour fit.
#include "ActivityModel.h"

#include "app/Errors.h"

#include <cmath>

Peak findPeak(const std::vector<TRadData> &DataRows)
{
    Peak peak;
    for (size_t j = 0; j < DataRows.size(); ++j) {
        if (DataRows[j].Value >= peak.PeakValue) {
            peak.PeakValue = static_cast<int>(DataRows[j].Value);
            peak.PeakOffset = static_cast<int>(j);
        }
    }
    return peak;
}

double checkedDivide(double dividend, double divisor)
{
    if (divisor == 0) {
        if (dividend == 0 || std::isnan(dividend))
            throw EInvalidOp();
        throw EZeroDivide();
    }
    return dividend / divisor;
}

double fitModel(std::vector<TRadData> &DataRows, std::vector<TRadData> &ModelRows,
                const ModelParams &params, HourBins &bins)
{
    const size_t n = DataRows.size();
    ModelRows.resize(n);
    bins.clear();
    const int P = params.P;
    const double M = params.M;

    // Profile: the rise up to and including the row at P, the decay after it.
    for (size_t j = 0; j < n; ++j) {
        const int offset = static_cast<int>(j);
        const double x = offset <= P ? std::exp(checkedDivide(offset - P, params.a))
                                     : std::exp(checkedDivide(P - offset, params.b));
        ModelRows[j].Value = x;
        ModelRows[j].Profile = M * x;
    }

    // Accumulation into the bins of each row's hour of day.
    for (size_t j = 0; j < n; ++j) {
        const auto h = static_cast<size_t>(DataRows[j].Hour);
        const double y = DataRows[j].Value;
        const double x = ModelRows[j].Value;
        bins.HourCount[h] += 1;
        bins.SumXY[h] += y * x;
        bins.SumXX[h] += x * x;
        bins.SumY[h] += y;
        bins.SumX[h] += x;
    }

    // The least-squares line of every hour of day, with or without rows.
    for (size_t h = 0; h < 24; ++h) {
        const double count = bins.HourCount[h];
        const double K = checkedDivide(count * bins.SumXY[h] - bins.SumY[h] * bins.SumX[h],
                                       count * bins.SumXX[h] - bins.SumX[h] * bins.SumX[h]);
        bins.ShowerCoef[h] = K;
        bins.SporadicLevel[h] = checkedDivide(bins.SumY[h] - K * bins.SumX[h], count);
    }

    // Split and deviation, in row order.
    double D = 0;
    double T = 0;
    for (size_t j = 0; j < n; ++j) {
        const auto h = static_cast<size_t>(DataRows[j].Hour);
        DataRows[j].Shower = bins.ShowerCoef[h] * ModelRows[j].Value;
        DataRows[j].Sporadic = bins.SporadicLevel[h];
        const double model = DataRows[j].Shower + DataRows[j].Sporadic;
        const double y = DataRows[j].Value;
        D += std::fabs(y - model);
        T += model + y;
    }
    return std::fabs(checkedDivide(D, T));
}
