// The fit report at 720 rows (a month of hours): the bootstrap's 200
// replicates, the position profile over every position, and the landscape;
// and how soon a cancelled bootstrap or profile has ended.
#include "BenchSupport.h"
#include "analysis/AutoSearch.h"
#include "analysis/Bootstrap.h"
#include "analysis/PositionProfile.h"
#include "app/DateConv.h"
#include "app/Job.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    // Hours with a daily wave and a shower at row 400 (of a month) or
    // further on, Poisson counts.
    const auto makeRows = [](int n) {
        std::mt19937_64 rng(11);
        std::vector<TRadData> rows(static_cast<size_t>(n));
        const double at = n * 400.0 / 720;
        for (int j = 0; j < n; ++j) {
            const double sporadic = 30 + 15 * std::cos((j % 24 - 6) * M_PI / 12);
            const double x = j < at ? std::exp(-(at - j) / 20) : std::exp(-(j - at) / 35);
            rows[size_t(j)].Date = DateConv::toText(QDate(2024, 8, 1).addDays(j / 24));
            rows[size_t(j)].Hour = j % 24;
            rows[size_t(j)].Value = Bootstrap::poisson(sporadic + 80 * x, rng);
        }
        return rows;
    };
    std::vector<TRadData> rows = makeRows(720);
    const Peak peak = findPeak(rows);
    QElapsedTimer t;

    t.start();
    const SearchBest plain = autoSearch(rows, peak.PeakOffset, [](int) {});
    report("search_720_s", t.nsecsElapsed() / 1e9);
    SearchScores scores;
    t.start();
    autoSearch(
        rows, peak.PeakOffset, [](int) {}, 0, &scores);
    const PositionProfile::Landscape land =
        PositionProfile::fromScores(scores, peak.PeakOffset, plain.BestPosition);
    report("search_with_landscape_720_s", t.nsecsElapsed() / 1e9);
    report("landscape_best_matches_search", land.bestDO == plain.BestDeviation ? 1 : 0);

    std::vector<TRadData> model;
    HourBins bins;
    fitModel(rows, model, {plain.BestA, plain.BestB, plain.BestPosition, peak.PeakValue}, bins);
    t.start();
    const Bootstrap::Result boot = Bootstrap::run(rows, Bootstrap::expectedCounts(rows), 200,
                                                  Bootstrap::DefaultSeed, [](int) { return true; });
    report("bootstrap_200_replicates_720_s", t.nsecsElapsed() / 1e9);
    report("bootstrap_replicates_answered", double(boot.replicates.size()));

    t.start();
    const PositionProfile::Profile profile =
        PositionProfile::compute(rows, [](int, int) { return true; });
    report("position_profile_719_positions_s", t.nsecsElapsed() / 1e9);
    report("profile_best_position", profile.bestPosition);
    report("auto_calc_position", plain.BestPosition);

    // Cancel after half a second of work, the worst of five.
    const auto cancelled = [](auto start) { return worstCancelToEnd(5, start); };
    for (int n : {720, 8760}) {
        const std::vector<TRadData> data = n == 720 ? rows : makeRows(n);
        const std::vector<double> expected = Bootstrap::expectedCounts(data);
        const QByteArray size = QByteArray::number(n);
        report(("bootstrap_cancel_to_end_" + size + "_s").constData(), cancelled([&] {
                   return std::make_unique<Job<Bootstrap::Result>>(
                       [&](Progress &p) { return Bootstrap::run(data, expected, 100000, 1, p); });
               }));
        report(("profile_cancel_to_end_" + size + "_s").constData(), cancelled([&] {
                   return std::make_unique<Job<PositionProfile::Profile>>(
                       [&](Progress &p) { return PositionProfile::compute(data, p); });
               }));
    }
    // What a cancel waited for before the search looked at it: one
    // replicate's whole search, at a year of hours.
    const std::vector<TRadData> year = makeRows(8760);
    t.start();
    autoSearch(
        year, findPeak(year).PeakOffset, [](int) {}, 1);
    report("one_replicate_search_8760_s", t.nsecsElapsed() / 1e9);
    return 0;
}
