// The report's whole-range fit: one profile over every position and every
// a and b from 1 to 100 h (the recurrences and the kernel) at 720 and 8 760
// rows, the report's fit (two such passes and the intervals), and 200
// day-block bootstrap replicates at 720 rows, each searching the whole
// selection; how soon a cancelled fit or bootstrap ends at 720 and 8 760
// rows. Prints the machine's load alongside, as other work on it slows the
// figures.
#include "BenchSupport.h"
#include "analysis/Bootstrap.h"
#include "analysis/DayBootstrap.h"
#include "analysis/ProfileFit.h"
#include "analysis/WholeRangeFit.h"
#include "app/DateConv.h"
#include "app/Job.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>
#include <memory>
#include <thread>

namespace {

std::vector<TRadData> month(int n, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<TRadData> rows(static_cast<size_t>(n));
    const double P = n * 0.55;
    for (int j = 0; j < n; ++j) {
        const int h = j % 24;
        const double sporadic = 40 + 25 * std::cos(2 * M_PI * (h - 6) / 24);
        const double x = j <= P ? std::exp(-(P - j) / 20) : std::exp(-(j - P) / 40);
        rows[size_t(j)].Date = DateConv::toText(QDate(2024, 4, 20).addDays(j / 24));
        rows[size_t(j)].Hour = h;
        rows[size_t(j)].Value = Bootstrap::poisson(sporadic + 80 * x, rng);
    }
    return rows;
}

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : -1;
}

// The best of three runs of one whole-range profile.
double profileSeconds(int n)
{
    const WholeRangeFit::Rows rows = WholeRangeFit::placeRows(month(n, 3));
    ProfileFit::Grid grid;
    grid.positions = rows.span;
    for (int s = 1; s <= 100; ++s) {
        grid.rise.push_back(s);
        grid.decay.push_back(s);
    }
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const ProfileFit::Evaluator evaluator(rows.series, grid);
        const ProfileFit::Scan scan = ProfileFit::scan(evaluator);
        best = std::min(best, t.nsecsElapsed() / 1e9);
        if (!scan.valid())
            return -1;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    report("threads", std::thread::hardware_concurrency());
    report("load_average_before", loadAverage());
    report("profile_720_rows_s", profileSeconds(720));
    report("profile_8760_rows_s", profileSeconds(8760));

    const std::vector<TRadData> rows = month(720, 5);
    QElapsedTimer t;
    t.start();
    const WholeRangeFit::Result fit = WholeRangeFit::fit(rows);
    report("report_fit_720_rows_s", t.nsecsElapsed() / 1e9);
    report("report_position", fit.position);
    t.start();
    const DayBootstrap::Result boot = DayBootstrap::run(fit, 200, 1, {});
    report("bootstrap_200_replicates_720_rows_s", t.nsecsElapsed() / 1e9);
    report("bootstrap_answered", double(boot.replicates.size()));
    report("bootstrap_failed", boot.failed);

    // Cancel after half a second of work, the worst of three.
    const auto cancelled = [](auto start) { return worstCancelToEnd(3, start); };
    for (int n : {720, 8760}) {
        const std::vector<TRadData> data = n == 720 ? rows : month(n, 5);
        const QByteArray size = QByteArray::number(n);
        report(("fit_cancel_to_end_" + size + "_s").constData(), cancelled([&] {
                   return std::make_unique<Job<WholeRangeFit::Result>>(
                       [&](Progress &p) { return WholeRangeFit::fit(data, {}, p); });
               }));
        const WholeRangeFit::Result f = n == 720 ? fit : WholeRangeFit::fit(data);
        report(("bootstrap_cancel_to_end_" + size + "_s").constData(), cancelled([&] {
                   return std::make_unique<Job<DayBootstrap::Result>>(
                       [&](Progress &p) { return DayBootstrap::run(f, 100000, 1, p); });
               }));
    }
    report("load_average_after", loadAverage());
    return 0;
}
