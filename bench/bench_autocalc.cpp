// The parameter search against its literal transcription, at several sizes.
#include "BenchSupport.h"
#include "analysis/AutoSearch.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Deterministic hourly counts: a daily sporadic wave and a shower peak two
// thirds of the way in, with a small pseudo-random scatter.
std::vector<TRadData> observations(int N)
{
    std::vector<TRadData> rows(static_cast<size_t>(N));
    unsigned seed = 12345;
    const int peak = 2 * N / 3;
    for (int j = 0; j < N; ++j) {
        seed = seed * 1103515245u + 12345u;
        TRadData &r = rows[static_cast<size_t>(j)];
        r.Hour = j % 24;
        const double wave = 30 + 12 * std::cos((j % 24 - 5) * 0.2618);
        const double shower =
            90 * (j <= peak ? std::exp((j - peak) / 30.0) : std::exp((peak - j) / 12.0));
        r.Value = std::floor(wave + shower) + (seed >> 16) % 7;
    }
    return rows;
}

template <class F> double medianSeconds(int runs, F &&f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        t.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    // --quick leaves out the literal runs of the largest size.
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const auto none = [](int) {};
    int mismatches = 0;
    for (int N : {240, 720, 2160, 8760}) {
        const std::vector<TRadData> rows = observations(N);
        const int peak = findPeak(rows).PeakOffset;
        SearchBest fast, literal, single;
        const double fastTime = medianSeconds(5, [&] { fast = autoSearch(rows, peak, none); });
        const double singleTime =
            medianSeconds(3, [&] { single = autoSearch(rows, peak, none, 1); });
        double literalTime = -1;
        if (!quick || N <= 720) {
            literalTime = medianSeconds(N <= 720 ? 3 : 1,
                                        [&] { literal = autoSearchLiteral(rows, peak, none); });
            const bool same =
                fast.BestA == literal.BestA && fast.BestB == literal.BestB &&
                fast.BestPosition == literal.BestPosition &&
                std::memcmp(&fast.BestDeviation, &literal.BestDeviation, sizeof(double)) == 0 &&
                std::memcmp(&single.BestDeviation, &literal.BestDeviation, sizeof(double)) == 0;
            mismatches += same ? 0 : 1;
        }
        const QByteArray n = QByteArray::number(N);
        // Each kernel alone, on one thread, over all 110 000 candidates.
        const SearchInput input(rows, peak);
        std::vector<double> scores(SearchRange::PerA);
        std::vector<ScoreFailure> failures(SearchRange::PerA);
        using Kernel = void (*)(const SearchInput::Data &, int, double *, ScoreFailure *);
        const std::pair<const char *, Kernel> kernels[] = {{"generic", SearchKernel::scoreAGeneric},
                                                           {"avx512", SearchKernel::scoreAAvx512}};
        for (const auto &[name, kernel] : kernels) {
            if (kernel == SearchKernel::scoreAAvx512 && !SearchKernel::haveAvx512())
                continue;
            const double t = medianSeconds(3, [&] {
                for (int a = 1; a <= SearchRange::Scales; ++a)
                    kernel(input.data(), a, scores.data(), failures.data());
            });
            report(("n" + n + "_kernel_" + name + "_s").constData(), t);
        }
        report(("n" + n + "_literal_s").constData(), literalTime);
        report(("n" + n + "_search_s").constData(), fastTime);
        report(("n" + n + "_search_one_thread_s").constData(), singleTime);
        if (literalTime > 0)
            report(("n" + n + "_ratio").constData(), literalTime / fastTime);
        report(("n" + n + "_ns_per_candidate_row").constData(), fastTime * 1e9 / (110000.0 * N));
        std::printf("n%d_best a=%d b=%d P=%d dO=%.17g\n", N, fast.BestA, fast.BestB,
                    fast.BestPosition, fast.BestDeviation);
    }
    report("mismatches", mismatches);
    return mismatches == 0 ? 0 : 1;
}
