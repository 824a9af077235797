// The report's whole-range fit as `name value` lines.
#include "WholeRangeReport.h"

#include "ReportLines.h"
#include "app/DateConv.h"

#include <cmath>

namespace WholeRangeReport {

namespace {

using ReportLines::number;
using ReportLines::pair;
using ReportLines::words;
using ReportLines::yesNo;

} // namespace

QStringList lines(const WholeRangeFit::Result &fit, const DayBootstrap::Result *bootstrap)
{
    QStringList out;
    const auto add = [&out](const char *name, const QString &value) {
        out << QLatin1String(name) + u' ' + value;
    };
    const bool ok = fit.valid;
    add("report_rows_without_date", QString::number(fit.rows.withoutTime));
    add("report_position", ok ? number(fit.position, 0) : QStringLiteral("-"));
    add("report_date", ok ? DateConv::toText(fit.date) : QStringLiteral("-"));
    add("report_hour", ok ? QString::number(fit.hour) : QStringLiteral("-"));
    add("report_solar_longitude", number(fit.solarLongitude, 4));
    add("report_a", ok ? number(fit.a, 0) : QStringLiteral("-"));
    add("report_b", ok ? number(fit.b, 0) : QStringLiteral("-"));
    add("report_dispersion", ok ? number(fit.sigma2, 3) : QStringLiteral("-"));
    add("report_day_spread_percent",
        ok ? number(100 * std::sqrt(fit.dayVariance), 1) : QStringLiteral("-"));

    if (bootstrap) {
        add("interval_method", QStringLiteral("day_bootstrap"));
        add("bootstrap_replicates", QString::number(bootstrap->replicates.size()));
        add("bootstrap_failed", QString::number(bootstrap->failed));
        add("bootstrap_cancelled", yesNo(bootstrap->cancelled));
        add("bootstrap_seconds", QString::number(bootstrap->seconds, 'f', 3));
        for (const double level : {0.68, 0.95}) {
            const DayBootstrap::Intervals iv = DayBootstrap::intervals(*bootstrap, fit.rows, level);
            const QString tail = level < 0.9 ? QStringLiteral("_ci68 ") : QStringLiteral("_ci95 ");
            out << QStringLiteral("a") + tail + pair(iv.a.lo, iv.a.hi, 0)
                << QStringLiteral("b") + tail + pair(iv.b.lo, iv.b.hi, 0)
                << QStringLiteral("position") + tail + pair(iv.position.lo, iv.position.hi, 0)
                << QStringLiteral("solar_longitude") + tail +
                       pair(iv.solarLongitude.lo, iv.solarLongitude.hi, 4);
        }
    } else {
        add("interval_method", QStringLiteral("likelihood_ratio"));
        const auto intervals = [&](const char *name, const WholeRangeFit::Interval &i68,
                                   const WholeRangeFit::Interval &i95) {
            out << QLatin1String(name) + QStringLiteral("_ci68 ") + pair(i68.lo, i68.hi, 1)
                << QLatin1String(name) + QStringLiteral("_ci95 ") + pair(i95.lo, i95.hi, 1);
        };
        intervals("a", fit.a68, fit.a95);
        intervals("b", fit.b68, fit.b95);
        intervals("position", fit.position68, fit.position95);
        out << QStringLiteral("solar_longitude_ci68 ") +
                   pair(fit.solarLongitude68lo, fit.solarLongitude68hi, 4)
            << QStringLiteral("solar_longitude_ci95 ") +
                   pair(fit.solarLongitude95lo, fit.solarLongitude95hi, 4);
    }

    add("b_plus_per_degree", number(fit.bPlus, 3));
    add("b_minus_per_degree", number(fit.bMinus, 3));
    add("fwhm_hours", ok ? number(fit.fwhmHours, 2) : QStringLiteral("-"));
    add("fwhm_degrees", number(fit.fwhmDegrees, 4));
    add("position_undetermined", yesNo(fit.undetermined));
    add("position_undetermined_reason", words(fit.undeterminedReason));
    add("estimate_on_bound", yesNo(fit.onBound));
    add("estimate_on_bound_reason", words(fit.boundReason));
    return out;
}

QStringList run(const std::vector<TRadData> &DataRows, int replicates, std::uint64_t seed,
                const std::function<bool(int done, int total)> &progress)
{
    // The fit's two passes count as 100 steps, each replicate as one.
    const int total = 100 + std::max(0, replicates);
    WholeRangeFit::Result fit = WholeRangeFit::fit(DataRows, {}, [&](int done, int all) {
        return !progress || progress(all > 0 ? done * 100 / all : 0, total);
    });
    if (fit.cancelled)
        return {QStringLiteral("report_cancelled yes")};
    if (replicates <= 0)
        return lines(fit, nullptr);
    const DayBootstrap::Result boot = DayBootstrap::run(
        fit, replicates, seed, [&](int done) { return !progress || progress(100 + done, total); });
    return lines(fit, &boot);
}

} // namespace WholeRangeReport
