// The stacked fit in observers' terms.
#include "StackedReport.h"

#include "ReportLines.h"
#include "RunCsv.h"

#include <QLocale>

#include <cmath>
#include <map>

namespace StackedReport {

namespace {

using ReportLines::number;
using ReportLines::pair;
using ReportLines::words;
using ReportLines::yesNo;

// The intervals the lines and the CSV give: the likelihood-ratio ones of
// the fit, or the bootstrap's percentiles.
struct Shown {
    double lambda68lo, lambda68hi, lambda95lo, lambda95hi;
    double bPlus68lo, bPlus68hi, bPlus95lo, bPlus95hi;
    double bMinus68lo, bMinus68hi, bMinus95lo, bMinus95hi;
};

Shown shownIntervals(const StackedFit::Result &f, const StackedBootstrap::Result *bootstrap)
{
    if (!bootstrap)
        return {f.lambda68lo, f.lambda68hi, f.lambda95lo, f.lambda95hi, f.bPlus68lo,  f.bPlus68hi,
                f.bPlus95lo,  f.bPlus95hi,  f.bMinus68lo, f.bMinus68hi, f.bMinus95lo, f.bMinus95hi};
    const StackedBootstrap::Intervals i68 = StackedBootstrap::intervals(*bootstrap, 0.68);
    const StackedBootstrap::Intervals i95 = StackedBootstrap::intervals(*bootstrap, 0.95);
    return {i68.lambda.lo, i68.lambda.hi, i95.lambda.lo, i95.lambda.hi,
            i68.bPlus.lo,  i68.bPlus.hi,  i95.bPlus.lo,  i95.bPlus.hi,
            i68.bMinus.lo, i68.bMinus.hi, i95.bMinus.lo, i95.bMinus.hi};
}

} // namespace

QString modelName(StackedFit::Modulation modulation)
{
    return modulation == StackedFit::Modulation::Radiant ? QStringLiteral("radiant")
                                                         : QStringLiteral("hourly");
}

QStringList lines(const StackedFit::Result &f, const StackedBootstrap::Result *bootstrap)
{
    QStringList out;
    const auto add = [&out](const char *name, const QString &value) {
        out << QLatin1String(name) + u' ' + value;
    };
    add("window", pair(f.window.from, std::fmod(f.window.to, 360.0), 2));
    add("model", modelName(f.modulation));
    add("datasets", QString::number(f.valid ? f.datasets.size() : 0));
    add("rows", QString::number(f.valid ? f.joint.rows : 0));
    add("lambda_max", number(f.lambdaMax, 3));
    const Shown s = shownIntervals(f, bootstrap);
    if (bootstrap) {
        add("interval_method", QStringLiteral("day_bootstrap"));
        add("bootstrap_replicates", QString::number(bootstrap->replicates.size()));
        add("bootstrap_failed", QString::number(bootstrap->failed));
        add("bootstrap_cancelled", yesNo(bootstrap->cancelled));
        add("bootstrap_seconds", QString::number(bootstrap->seconds, 'f', 3));
    } else {
        add("interval_method", QStringLiteral("likelihood_ratio"));
    }
    add("lambda_max_ci68", pair(s.lambda68lo, s.lambda68hi, 3));
    add("lambda_max_ci95", pair(s.lambda95lo, s.lambda95hi, 3));
    add("b_plus_per_degree", number(f.bPlus, 3));
    add("b_plus_ci68", pair(s.bPlus68lo, s.bPlus68hi, 3));
    add("b_plus_ci95", pair(s.bPlus95lo, s.bPlus95hi, 3));
    add("b_minus_per_degree", number(f.bMinus, 3));
    add("b_minus_ci68", pair(s.bMinus68lo, s.bMinus68hi, 3));
    add("b_minus_ci95", pair(s.bMinus95lo, s.bMinus95hi, 3));
    add("fwhm_degrees", number(f.fwhmDegrees, 3));
    add("dispersion", f.valid ? number(f.joint.sigma2, 3) : QStringLiteral("-"));
    add("day_spread_percent",
        f.valid ? number(100 * std::sqrt(f.joint.dayVariance), 1) : QStringLiteral("-"));
    add("position_undetermined", yesNo(f.undetermined));
    add("position_undetermined_reason", words(f.undeterminedReason));
    add("estimate_on_bound", yesNo(f.onBound));
    add("estimate_on_bound_reason", words(f.boundReason));
    for (const StackedFit::DatasetResult &d : f.perDataset)
        out << QStringLiteral("dataset %1 %2 rows %3 scale %4 dO %5")
                   .arg(d.column)
                   .arg(d.year)
                   .arg(d.rows)
                   .arg(number(d.scale, 2), number(d.dO, 4));
    return out;
}

QByteArray csvText(const QString &text)
{
    return RunCsv::textField(text);
}

QByteArray csv(const StackedFit::Result &f, const StackedBootstrap::Result *bootstrap)
{
    QByteArray out = "record,column,station,year,rows,value,low68,high68,low95,high95\n";
    const auto num = [](double v) {
        return std::isfinite(v) ? RunCsv::exact(v).toLatin1() : QByteArray();
    };
    const auto record = [&](const char *name, const QByteArray &value, double lo68 = NAN,
                            double hi68 = NAN, double lo95 = NAN, double hi95 = NAN) {
        out += QByteArray(name) + ",,,,," + value + ',' + num(lo68) + ',' + num(hi68) + ',' +
               num(lo95) + ',' + num(hi95) + '\n';
    };
    const Shown s = shownIntervals(f, bootstrap);
    record("model", csvText(modelName(f.modulation)));
    record("window_from", num(f.window.from));
    record("window_to", num(std::fmod(f.window.to, 360.0)));
    record("interval_method",
           bootstrap ? QByteArray("day_bootstrap") : QByteArray("likelihood_ratio"));
    record("datasets", QByteArray::number(qulonglong(f.valid ? f.datasets.size() : 0)));
    record("lambda_max", num(f.lambdaMax), s.lambda68lo, s.lambda68hi, s.lambda95lo, s.lambda95hi);
    record("b_plus_per_degree", num(f.bPlus), s.bPlus68lo, s.bPlus68hi, s.bPlus95lo, s.bPlus95hi);
    record("b_minus_per_degree", num(f.bMinus), s.bMinus68lo, s.bMinus68hi, s.bMinus95lo,
           s.bMinus95hi);
    record("fwhm_degrees", num(f.fwhmDegrees));
    record("position_undetermined", yesNo(f.undetermined).toLatin1());
    record("position_undetermined_reason", csvText(f.undeterminedReason));
    record("estimate_on_bound", yesNo(f.onBound).toLatin1());
    record("estimate_on_bound_reason", csvText(f.boundReason));
    if (bootstrap) {
        record("bootstrap_replicates",
               QByteArray::number(qulonglong(bootstrap->replicates.size())));
        record("bootstrap_failed", QByteArray::number(bootstrap->failed));
    }
    for (const StackedFit::DatasetResult &d : f.perDataset) {
        const QByteArray who = csvText(d.column) + ',' + csvText(d.station) + ',' +
                               QByteArray::number(d.year) + ',' +
                               QByteArray::number(qulonglong(d.rows)) + ',';
        out += "dataset_scale," + who + num(d.scale) + ",,,,\n";
        out += "dataset_dO," + who + num(d.dO) + ",,,,\n";
    }
    return out;
}

std::vector<std::vector<Point>> stackedPoints(const StackedFit::Result &f)
{
    std::vector<std::vector<Point>> out;
    if (!f.valid)
        return out;
    for (size_t d = 0; d < f.datasets.size(); ++d) {
        const ShowerSeasons::Dataset &set = f.datasets[d];
        const ProfileFit::Fit &fit = f.joint.fits[d];
        // Per bin: the counts less the background, and the shower the fit
        // expects at the profile's maximum.
        std::map<long, std::pair<double, double>> bins;
        for (size_t j = 0; j < set.size(); ++j) {
            const size_t h = size_t(set.series.hour[j]);
            const double v = set.series.visibility.empty() ? 1.0 : set.series.visibility[j];
            auto &[excess, expected] =
                bins[long(std::floor((set.series.t[j] - f.window.from) / BinWidth))];
            excess += set.series.y[j] - fit.C[h];
            expected += fit.K[h] * v;
        }
        const double least = 0.25 * f.perDataset[d].scale * BinWidth / (360.0 / 365.2422 / 24.0);
        std::vector<Point> points;
        for (const auto &[bin, sums] : bins)
            if (least > 0 && sums.second >= least)
                points.push_back(
                    {f.window.from + (double(bin) + 0.5) * BinWidth, sums.first / sums.second});
        out.push_back(std::move(points));
    }
    return out;
}

} // namespace StackedReport
