// The stacked fit of one shower over several years and stations on the
// solar-longitude axis:
//  - speed: ten years of one station, 10 days either side of the maximum
//    (about 4 800 rows), the fit (two passes over the maximum at every
//    0.01 degree and 48 x 48 rise and decay scales, and the intervals) and
//    200 day-block replicates;
//  - the figures of a synthetic truth: six years of two stations, 5 days
//    either side of a maximum at 45.50 degrees with B+ = 0.4 and B- = 0.6
//    per degree, each station alone and both together, with either model.
//
//   bench_stacked [--seed N] [--skip-speed] [--skip-truth]
#include "../tests/core/StackedSynthetic.h"
#include "BenchSupport.h"
#include "analysis/StackedBootstrap.h"
#include "analysis/StackedFit.h"
#include "app/Progress.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstring>
#include <ctime>

namespace {

// The processor time of every thread of the process, in seconds: on a
// machine others use too, the part of the wall time that is this work's.
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : -1;
}

StackedFit::Result fitOf(const GridModel &grid, const StackedSynthetic::Truth &truth,
                         const std::vector<ShowerSeasons::Column> &columns,
                         StackedFit::Modulation modulation)
{
    const ShowerSeasons::Window w = ShowerSeasons::window(truth.lambdaMax - truth.daysEachSide - 1,
                                                          truth.lambdaMax + truth.daysEachSide + 1);
    ShowerSeasons::Collected c = ShowerSeasons::collect(grid, w, columns);
    StackedFit::Options o;
    o.modulation = modulation;
    o.radiant = truth.radiant;
    return StackedFit::fit(std::move(c.datasets), w, o);
}

void printFit(const char *prefix, const StackedFit::Result &r)
{
    const auto line = [prefix](const char *name, double v) {
        std::printf("%s_%s %.4f\n", prefix, name, v);
    };
    if (!r.valid) {
        std::printf("%s_failure %s\n", prefix, r.failure.toUtf8().constData());
        return;
    }
    line("datasets", double(r.datasets.size()));
    line("lambda_max", r.lambdaMax);
    line("lambda_ci68_lo", r.lambda68lo);
    line("lambda_ci68_hi", r.lambda68hi);
    line("lambda_ci95_lo", r.lambda95lo);
    line("lambda_ci95_hi", r.lambda95hi);
    line("lambda_ci95_width", r.lambda95hi - r.lambda95lo);
    line("b_plus", r.bPlus);
    line("b_plus_ci95_lo", r.bPlus95lo);
    line("b_plus_ci95_hi", r.bPlus95hi);
    line("b_minus", r.bMinus);
    line("b_minus_ci95_lo", r.bMinus95lo);
    line("b_minus_ci95_hi", r.bMinus95hi);
    line("fwhm_degrees", r.fwhmDegrees);
    line("dispersion", r.joint.sigma2);
    line("undetermined", r.undetermined);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    const QStringList args = QCoreApplication::arguments();
    std::uint64_t seed = 1;
    bool speed = true, truthFigures = true;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toULongLong();
        else if (args[i] == QLatin1String("--skip-speed"))
            speed = false;
        else if (args[i] == QLatin1String("--skip-truth"))
            truthFigures = false;
    }
    report("load_average_before", loadAverage());

    if (speed) {
        StackedSynthetic::Truth t;
        t.years = 10;
        t.daysEachSide = 10;
        t.stations = {StackedSynthetic::twoStations().front()};
        GridModel grid;
        StackedSynthetic::fill(grid, t, seed);
        const ShowerSeasons::Window w = ShowerSeasons::window(t.lambdaMax - 10, t.lambdaMax + 10);
        ShowerSeasons::Collected c =
            ShowerSeasons::collect(grid, w, StackedSynthetic::columnsOf(t));
        size_t rows = 0;
        for (const ShowerSeasons::Dataset &d : c.datasets)
            rows += d.size();
        report("speed_rows", double(rows));
        report("speed_datasets", double(c.datasets.size()));
        for (const auto modulation :
             {StackedFit::Modulation::Hourly, StackedFit::Modulation::Radiant}) {
            const char *name = modulation == StackedFit::Modulation::Hourly ? "hourly" : "radiant";
            StackedFit::Options o;
            o.modulation = modulation;
            o.radiant = t.radiant;
            QElapsedTimer timer;
            timer.start();
            double cpu = cpuSeconds();
            const StackedFit::Result r = StackedFit::fit(c.datasets, w, o);
            std::printf("speed_%s_fit_s %.3f\n", name, timer.nsecsElapsed() / 1e9);
            std::printf("speed_%s_fit_cpu_s %.3f\n", name, cpuSeconds() - cpu);
            std::printf("speed_%s_lambda_max %.3f\n", name, r.lambdaMax);
            std::fflush(stdout);
            timer.start();
            cpu = cpuSeconds();
            Progress progress;
            const StackedBootstrap::Result boot = StackedBootstrap::run(r, 200, 7, &progress);
            std::printf("speed_%s_bootstrap_200_s %.3f\n", name, timer.nsecsElapsed() / 1e9);
            std::printf("speed_%s_bootstrap_200_cpu_s %.3f\n", name, cpuSeconds() - cpu);
            std::printf("speed_%s_bootstrap_answered %zu\n", name, boot.replicates.size());
            std::printf("speed_%s_bootstrap_failed %d\n", name, boot.failed);
            std::fflush(stdout);
        }
    }

    if (truthFigures) {
        StackedSynthetic::Truth t;
        t.stations = StackedSynthetic::twoStations();
        GridModel grid;
        StackedSynthetic::fill(grid, t, seed);
        const std::vector<ShowerSeasons::Column> both = StackedSynthetic::columnsOf(t);
        for (const auto modulation :
             {StackedFit::Modulation::Hourly, StackedFit::Modulation::Radiant}) {
            const bool hourly = modulation == StackedFit::Modulation::Hourly;
            printFit(hourly ? "hourly_both" : "radiant_both", fitOf(grid, t, both, modulation));
            printFit(hourly ? "hourly_sum" : "radiant_sum", fitOf(grid, t, {both[0]}, modulation));
            printFit(hourly ? "hourly_n1" : "radiant_n1", fitOf(grid, t, {both[1]}, modulation));
        }
    }
    report("load_average_after", loadAverage());
    return 0;
}
