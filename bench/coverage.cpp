// The coverage study of the report's intervals: synthetic selections with a
// known shower profile, many noise seeds each, and how often the 68 % and
// 95 % intervals of a, b and the position hold the truth.
//
//   coverage [--seeds N] [--scenario K] [--bootstrap R] [--least S]
//
// Each scenario: 240 rows (ten days of hours from 2025 May 1, 00h UT); a
// sporadic background 40 + 25 cos(2 pi (h - 6) / 24); a shower of maximum
// 80 with a diurnal visibility 0.3 + 0.7 max(0, sin(2 pi (h + 3) / 24));
// Poisson counts. The fourth scenario multiplies each day's sporadic level
// by a factor drawn from a normal distribution around 1 with 8 % spread.
// Prints `name value` lines per scenario: the counts of intervals holding
// the truth, the median widths, the fits that failed, and the verdicts.
#include "analysis/Bootstrap.h"
#include "analysis/DayBootstrap.h"
#include "analysis/WholeRangeFit.h"
#include "app/DateConv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

struct Scenario {
    const char *name;
    double a, b, P;
    bool dayToDay;
};

const Scenario Scenarios[] = {
    {"broad_middle", 20, 50, 120, false},
    {"narrow_middle", 3, 6, 118, false},
    {"broad_early", 20, 50, 60, false},
    {"day_to_day", 12, 30, 120, true},
    {"narrow_early", 3, 6, 40, false},
    // Beyond the five: the maximum a day before the first hour, where the
    // verdict should say the interval runs into the first hour.
    {"before_start", 12, 30, -30, false},
    // And no shower at all: the verdict should say the profile is flat.
    {"no_shower", 20, 50, 120, false},
};

std::vector<TRadData> synthetic(const Scenario &s, std::uint64_t seed)
{
    std::mt19937_64 rng(seed * 7919 + 17);
    std::normal_distribution<double> spread(1.0, 0.08);
    std::vector<TRadData> rows(240);
    double factor = 1;
    for (int j = 0; j < 240; ++j) {
        const int h = j % 24;
        if (h == 0)
            factor = s.dayToDay ? std::max(0.5, spread(rng)) : 1.0;
        const double sporadic = 40 + 25 * std::cos(2 * M_PI * (h - 6) / 24);
        const double visibility = 0.3 + 0.7 * std::max(0.0, std::sin(2 * M_PI * (h + 3) / 24));
        const double x = j <= s.P ? std::exp(-(s.P - j) / s.a) : std::exp(-(j - s.P) / s.b);
        rows[size_t(j)].Date = DateConv::toText(QDate(2025, 5, 1).addDays(j / 24));
        rows[size_t(j)].Hour = h;
        const double maximum = std::strcmp(s.name, "no_shower") == 0 ? 0 : 80;
        rows[size_t(j)].Value =
            Bootstrap::poisson(sporadic * factor + maximum * visibility * x, rng);
    }
    return rows;
}

double median(std::vector<double> v)
{
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return !std::isfinite(x); }),
            v.end());
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

struct Tally {
    int held68 = 0, held95 = 0;
    std::vector<double> width68, width95;
    void add(double truth, double lo68, double hi68, double lo95, double hi95)
    {
        held68 += truth >= lo68 && truth <= hi68;
        held95 += truth >= lo95 && truth <= hi95;
        width68.push_back(hi68 - lo68);
        width95.push_back(hi95 - lo95);
    }
};

void print(const char *scenario, const char *what, double value)
{
    std::printf("%s_%s %g\n", scenario, what, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    const QStringList args = QCoreApplication::arguments();
    int seeds = 40, only = -1, replicates = 0, firstSeed = 1;
    WholeRangeFit::Options options;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--seeds"))
            seeds = args[++i].toInt();
        else if (arg == QLatin1String("--first-seed"))
            firstSeed = args[++i].toInt();
        else if (arg == QLatin1String("--scenario"))
            only = args[++i].toInt();
        else if (arg == QLatin1String("--bootstrap"))
            replicates = args[++i].toInt();
        else if (arg == QLatin1String("--least"))
            options.leastScale = args[++i].toInt();
    }

    QElapsedTimer total;
    total.start();
    for (int si = 0; si < int(std::size(Scenarios)); ++si) {
        if (only >= 0 && si != only)
            continue;
        const Scenario &s = Scenarios[si];
        Tally a, b, P, bootA, bootB, bootP;
        int failed = 0, undetermined = 0, onBound = 0, bootFailed = 0, bootRuns = 0;
        std::vector<double> errors;
        for (int seed = firstSeed; seed < firstSeed + seeds; ++seed) {
            const std::vector<TRadData> rows = synthetic(s, std::uint64_t(seed) + 1000 * si);
            const WholeRangeFit::Result r = WholeRangeFit::fit(rows, options);
            if (!r.valid) {
                ++failed;
                continue;
            }
            if (qEnvironmentVariableIsSet("COVERAGE_DEPTH"))
                std::printf("depth %s %.3f\n", s.name, r.profileDepth);
            undetermined += r.undetermined;
            onBound += r.onBound;
            errors.push_back(std::fabs(r.position - s.P));
            a.add(s.a, r.a68.lo, r.a68.hi, r.a95.lo, r.a95.hi);
            b.add(s.b, r.b68.lo, r.b68.hi, r.b95.lo, r.b95.hi);
            P.add(s.P, r.position68.lo, r.position68.hi, r.position95.lo, r.position95.hi);
            if (replicates > 0) {
                const DayBootstrap::Result boot =
                    DayBootstrap::run(r, replicates, std::uint64_t(seed), {});
                bootFailed += boot.failed;
                if (boot.replicates.empty())
                    continue;
                ++bootRuns;
                const DayBootstrap::Intervals i68 = DayBootstrap::intervals(boot, r.rows, 0.68);
                const DayBootstrap::Intervals i95 = DayBootstrap::intervals(boot, r.rows, 0.95);
                bootA.add(s.a, i68.a.lo, i68.a.hi, i95.a.lo, i95.a.hi);
                bootB.add(s.b, i68.b.lo, i68.b.hi, i95.b.lo, i95.b.hi);
                bootP.add(s.P, i68.position.lo, i68.position.hi, i95.position.lo, i95.position.hi);
            }
        }
        print(s.name, "fits", seeds - failed);
        print(s.name, "failed", failed);
        print(s.name, "undetermined", undetermined);
        print(s.name, "on_bound", onBound);
        print(s.name, "median_position_error_hours", median(errors));
        const auto tally = [&](const char *prefix, const Tally &t) {
            char name[64];
            std::snprintf(name, sizeof name, "%s_held68", prefix);
            print(s.name, name, t.held68);
            std::snprintf(name, sizeof name, "%s_held95", prefix);
            print(s.name, name, t.held95);
            std::snprintf(name, sizeof name, "%s_median_width68", prefix);
            print(s.name, name, median(t.width68));
            std::snprintf(name, sizeof name, "%s_median_width95", prefix);
            print(s.name, name, median(t.width95));
        };
        tally("a", a);
        tally("b", b);
        tally("position", P);
        if (replicates > 0) {
            print(s.name, "bootstrap_runs", bootRuns);
            print(s.name, "bootstrap_failed_replicates", bootFailed);
            tally("bootstrap_a", bootA);
            tally("bootstrap_b", bootB);
            tally("bootstrap_position", bootP);
        }
    }
    std::printf("seconds %.1f\n", total.nsecsElapsed() / 1e9);
    return 0;
}
