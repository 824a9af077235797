// The report's own whole-range fit of the maximum.
#include "WholeRangeFit.h"

#include "ShowerUnits.h"
#include "SolarLongitude.h"
#include "app/DateConv.h"
#include "app/Job.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

namespace WholeRangeFit {

namespace {

// The least variance a count is given in the weights: a fitted count below
// one (or negative, where a free coefficient overshoots) would otherwise
// weigh without bound.
constexpr double LeastVariance = 1.0;

// Degrees of freedom a fit must leave for its noise to be estimated.
constexpr double LeastFreedom = 5;

double normalQuantile(double p)
{
    // P. J. Acklam's rational approximation (relative error 1.2e-9).
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                               -2.759285104469687e+02, 1.383577518672690e+02,
                               -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                               -1.556989798598866e+02, 6.680131188771972e+01,
                               -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                               -2.400758277161838e+00, -2.549732539343734e+00,
                               4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    const double low = 0.02425;
    if (p < low) {
        const double q = std::sqrt(-2 * std::log(p));
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    if (p > 1 - low)
        return -normalQuantile(1 - p);
    const double q = p - 0.5, r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

ProfileFit::Grid gridFor(const Rows &rows, const Options &options)
{
    ProfileFit::Grid grid;
    grid.first = 0;
    grid.step = 1;
    grid.positions = rows.span;
    for (int s = options.leastScale; s <= options.greatestScale; ++s) {
        grid.rise.push_back(s);
        grid.decay.push_back(s);
    }
    return grid;
}

void judge(Result &r)
{
    const Interval &p = r.position95;
    if (r.profileDepth <= flatDepth(r.rows.span))
        r.verdict = Verdict::Flat;
    else if (p.atLow || p.atHigh)
        r.verdict = Verdict::RunsIntoEdge;
    else if (p.width() > UndeterminedShare * r.rows.span)
        r.verdict = Verdict::TooWide;
    else if (p.pieces > 1 && p.widestGap >= 24)
        r.verdict = Verdict::Apart;
    else
        r.verdict = Verdict::Determined;
    r.undetermined = r.verdict != Verdict::Determined;
    const LanguageTexts english;
    r.undeterminedReason = verdictText(r, english);
    r.boundReason = boundText(r, english);
    r.onBound = !r.boundReason.isEmpty();
}

// No fit: the failure, which is also the reason the maximum is not determined.
void fail(Result &r, Failure kind)
{
    r.failureKind = kind;
    r.verdict = Verdict::NoFit;
    r.undetermined = true;
    r.failure = failureText(r, LanguageTexts());
    r.undeterminedReason = r.failure;
}

void units(Result &r)
{
    const qint64 hours = std::llround(r.position) + r.rows.firstHour;
    r.date = r.rows.firstDate.addDays(hours / 24);
    r.hour = int(hours % 24);
    r.solarLongitude = solarLongitudeAt(r.rows, r.position);
    r.degreesPerHour = ShowerUnits::degreesPerHour(
        ShowerUnits::julianDayAfter(r.rows.firstDate, r.rows.firstHour, r.position + 0.5));
    r.bPlus = ShowerUnits::slopePerDegree(r.a, r.degreesPerHour);
    r.bMinus = ShowerUnits::slopePerDegree(r.b, r.degreesPerHour);
    r.fwhmHours = ShowerUnits::fwhm(r.a, r.b);
    r.fwhmDegrees = r.fwhmHours * r.degreesPerHour;
    if (r.position68.valid()) {
        r.solarLongitude68lo = solarLongitudeAt(r.rows, r.position68.lo);
        r.solarLongitude68hi = solarLongitudeAt(r.rows, r.position68.hi);
    }
    if (r.position95.valid()) {
        r.solarLongitude95lo = solarLongitudeAt(r.rows, r.position95.lo);
        r.solarLongitude95hi = solarLongitudeAt(r.rows, r.position95.hi);
    }
}

} // namespace

double flatDepth(int hours)
{
    return 20 + 6 * std::log(std::max(hours, 24) / 24.0);
}

std::vector<double> direction(const ProfileFit::Series &series, double P, double a, double b,
                              int which, double down, double up, ProfileFit::Coupling coupling)
{
    double hi[3] = {P, a, b}, lo[3] = {P, a, b};
    hi[which] = up;
    lo[which] = down;
    const ProfileFit::Fit f1 = ProfileFit::fitAt(series, hi[0], hi[1], hi[2], coupling);
    const ProfileFit::Fit f0 = ProfileFit::fitAt(series, lo[0], lo[1], lo[2], coupling);
    std::vector<double> g(series.size());
    const double span = up > down ? up - down : 1.0;
    for (size_t j = 0; j < g.size(); ++j)
        g[j] = (f1.fitted[j] - f0.fitted[j]) / span;
    return g;
}

double dayLevelVariance(const std::vector<int> &day, const std::vector<double> &weights,
                        const std::vector<double> &residuals, const std::vector<double> &background,
                        double sigma2, double directions)
{
    std::map<int, std::pair<double, double>> byDay; // sum w C r, sum w C^2
    for (size_t j = 0; j < residuals.size(); ++j) {
        auto &[cr, cc] = byDay[day[j]];
        cr += weights[j] * background[j] * residuals[j];
        cc += weights[j] * background[j] * background[j];
    }
    if (byDay.size() < 3)
        return 0;
    double excess = 0;
    for (const auto &[d, sums] : byDay) {
        if (!(sums.second > 0))
            continue;
        const double u = sums.first / sums.second;
        excess += u * u - sigma2 / sums.second;
    }
    return std::max(0.0, excess / std::max(1.0, double(byDay.size()) - directions));
}

double designEffect(const std::vector<int> &day, const std::vector<double> &weights,
                    const std::vector<double> &background, const std::vector<double> &g, double v,
                    double sigma2)
{
    std::map<int, double> byDay;
    double model = 0;
    for (size_t j = 0; j < g.size(); ++j) {
        byDay[day[j]] += weights[j] * g[j] * background[j];
        model += weights[j] * g[j] * g[j];
    }
    double days = 0;
    for (const auto &[d, sum] : byDay)
        days += sum * sum;
    if (!(model > 0) || !(sigma2 > 0))
        return 1;
    return 1 + v * days / (sigma2 * model);
}

Threshold threshold(double rss, double sigma2, double freedom, double effect, double dayFreedom)
{
    Threshold t;
    t.designEffect = effect;
    // Satterthwaite: the rows' noise has `freedom` degrees of freedom, the
    // days' dayFreedom.
    const double extra = t.designEffect - 1;
    t.freedom = std::pow(1 + extra, 2) / (1 / freedom + extra * extra / dayFreedom);
    const double scale = sigma2 * t.designEffect;
    t.at68 = rss + scale * Widen68 * tSquared(0.68, t.freedom);
    t.at95 = rss + scale * Widen95 * tSquared(0.95, t.freedom);
    return t;
}

Rows placeRows(const std::vector<TRadData> &DataRows)
{
    Rows rows;
    std::vector<qint64> hourOf;
    QString lastText;
    std::optional<QDate> lastDate;
    for (size_t j = 0; j < DataRows.size(); ++j) {
        const TRadData &row = DataRows[j];
        if (row.Date != lastText || j == 0) {
            lastText = row.Date;
            lastDate = DateConv::fromText(row.Date.trimmed());
        }
        if (!lastDate || row.Hour < 0 || row.Hour > 23) {
            ++rows.withoutTime;
            continue;
        }
        hourOf.push_back(lastDate->toJulianDay() * 24 + row.Hour);
        rows.offsets.push_back(int(j));
        rows.series.hour.push_back(row.Hour);
        rows.series.y.push_back(row.Value);
    }
    if (hourOf.empty())
        return rows;
    const qint64 first = *std::min_element(hourOf.begin(), hourOf.end());
    const qint64 last = *std::max_element(hourOf.begin(), hourOf.end());
    rows.firstDate = QDate::fromJulianDay(first / 24);
    rows.firstHour = int(first % 24);
    rows.span = int(std::min<qint64>(last - first + 1, 1 << 30));
    for (qint64 h : hourOf) {
        rows.series.t.push_back(double(h - first));
        rows.day.push_back(int(h / 24 - first / 24));
    }
    return rows;
}

double solarLongitudeAt(const Rows &rows, double hours)
{
    if (!rows.firstDate.isValid() || !std::isfinite(hours))
        return std::nan("");
    return SolarLongitude::ofJulianDay(
        ShowerUnits::julianDayAfter(rows.firstDate, rows.firstHour, hours + 0.5));
}

Interval intervalOf(const std::vector<double> &x, const std::vector<double> &profile,
                    double threshold)
{
    Interval in;
    const size_t n = std::min(x.size(), profile.size());
    size_t first = n, last = n, previous = n;
    for (size_t i = 0; i < n; ++i) {
        if (!(profile[i] <= threshold))
            continue;
        if (first == n)
            first = i;
        if (previous != n && i > previous + 1)
            in.widestGap = std::max(in.widestGap, x[i] - x[previous]);
        if (previous == n || i > previous + 1)
            ++in.pieces;
        previous = last = i;
    }
    if (first == n)
        return in;
    // The crossing between a grid value outside and the first one inside.
    const auto cross = [&](size_t out, size_t inside) {
        const double f0 = profile[out], f1 = profile[inside];
        const double share = f0 > f1 ? (f0 - threshold) / (f0 - f1) : 0.0;
        return x[out] + std::clamp(share, 0.0, 1.0) * (x[inside] - x[out]);
    };
    in.atLow = first == 0;
    in.atHigh = last == n - 1;
    in.lo = in.atLow ? x[first] : cross(first - 1, first);
    in.hi = in.atHigh ? x[last] : cross(last + 1, last);
    return in;
}

double tSquared(double level, double freedom)
{
    // G. W. Hill, Algorithm 396: Student's t-quantiles, Comm. ACM 13 (1970)
    // 619; p is the two-sided tail, n the degrees of freedom (at least 1).
    const double p = 1 - level, n = std::max(1.0, freedom);
    double t;
    if (n == 1) {
        t = 1 / std::tan(p * M_PI_2);
    } else if (n == 2) {
        t = std::sqrt(2 / (p * (2 - p)) - 2);
    } else {
        const double a = 1 / (n - 0.5), b = 48 / (a * a);
        double c = ((20700 * a / b - 98) * a - 16) * a + 96.36;
        const double d = ((94.5 / (b + c) - 3) / b + 1) * std::sqrt(a * M_PI_2) * n;
        double x = d * p, y = std::pow(x, 2 / n);
        if (y > 0.05 + a) {
            x = normalQuantile(p / 2);
            y = x * x;
            if (n < 5)
                c += 0.3 * (n - 4.5) * (x + 0.6);
            c = (((0.05 * d * x - 5) * x - 7) * x - 2) * x + b + c;
            y = (((((0.4 * y + 6.3) * y + 36) * y + 94.5) / c - y - 3) / b + 1) * x;
            y = std::expm1(a * y * y);
        } else {
            y = ((1 / (((n + 6) / (n * y) - 0.089 * d - 0.822) * (n + 2) * 3) + 0.5 / (n + 4)) * y -
                 1) *
                    (n + 1) / (n + 2) +
                1 / y;
        }
        t = std::sqrt(n * y);
    }
    return t * t;
}

static Result fitRows(const std::vector<TRadData> &DataRows, const Options &options,
                      Progress &progress)
{
    Result r;
    r.rows = placeRows(DataRows);
    ProfileFit::Series series = r.rows.series;
    const size_t n = series.size();
    if (n == 0) {
        fail(r, Failure::NoDates);
        return r;
    }
    std::array<bool, 24> present{};
    for (std::int32_t h : series.hour)
        present[size_t(h)] = true;
    const int hours = int(std::count(present.begin(), present.end(), true));
    r.hoursOfDay = hours;
    r.freedom = double(n) - (2.0 * hours + 3);
    if (r.freedom < LeastFreedom) {
        fail(r, Failure::TooFewRows);
        return r;
    }
    if (r.rows.span > MaxSpanHours) {
        fail(r, Failure::SpanTooLong);
        return r;
    }
    r.grid = gridFor(r.rows, options);
    // Two passes, each a step per chunk of positions.
    const int passes = 2;
    progress.setTotal(passes * ((r.grid.positions + ProfileFit::ChunkPositions - 1) /
                                ProfileFit::ChunkPositions));

    // Pass 1: plain least squares, for the fitted counts that weigh pass 2.
    {
        const ProfileFit::Evaluator evaluator(series, r.grid, ProfileFit::Coupling::PerHour, 1,
                                              &progress);
        r.scan = ProfileFit::scan(evaluator, {options.threads, false}, progress);
    }
    if (r.scan.cancelled) {
        r.cancelled = true;
        return r;
    }
    const auto estimate = [&] {
        r.position = r.grid.position(r.scan.bestPosition);
        r.a = r.grid.rise[size_t(r.scan.bestRise)];
        r.b = r.grid.decay[size_t(r.scan.bestDecay)];
        r.rss = r.scan.bestRss;
    };
    estimate();
    r.weights.assign(n, 1.0);
    {
        const ProfileFit::Fit plain = ProfileFit::fitAt(series, r.position, r.a, r.b);
        for (size_t j = 0; j < n; ++j)
            r.weights[j] = 1 / std::max(plain.fitted[j], LeastVariance);
        series.weight = r.weights;
        const ProfileFit::Evaluator evaluator(series, r.grid, ProfileFit::Coupling::PerHour, 1,
                                              &progress);
        r.scan = ProfileFit::scan(evaluator, {options.threads, false}, progress);
        if (r.scan.cancelled) {
            r.cancelled = true;
            return r;
        }
        estimate();
    }
    const ProfileFit::Fit best = ProfileFit::fitAt(series, r.position, r.a, r.b);
    r.fitted = best.fitted;
    r.sigma2 = r.rss / r.freedom;

    // The thresholds: sigma2 from the residuals, each parameter's widened
    // by its design effect for day-to-day variation of the background.
    std::vector<double> residuals(n), background(n);
    for (size_t j = 0; j < n; ++j) {
        residuals[j] = series.y[j] - r.fitted[j];
        background[j] = best.C[size_t(series.hour[j])];
    }
    r.dayVariance = dayLevelVariance(r.rows.day, r.weights, residuals, background, r.sigma2);
    const double dayFreedom =
        std::max(1.0, double(std::set<int>(r.rows.day.begin(), r.rows.day.end()).size()) -
                          DayDirectionsFitted);
    const double lo[3] = {0, r.grid.rise.front(), r.grid.decay.front()};
    const double hi[3] = {double(r.rows.span - 1), r.grid.rise.back(), r.grid.decay.back()};
    const double at[3] = {r.position, r.a, r.b};
    Threshold *thresholds[3] = {&r.positionThreshold, &r.aThreshold, &r.bThreshold};
    for (int which = 0; which < 3; ++which) {
        double effect = 1;
        // One grid step either way, within the grid.
        if (r.dayVariance > 0)
            effect = designEffect(r.rows.day, r.weights, background,
                                  direction(series, r.position, r.a, r.b, which,
                                            std::max(lo[which], at[which] - 1),
                                            std::min(hi[which], at[which] + 1)),
                                  r.dayVariance, r.sigma2);
        *thresholds[which] = threshold(r.rss, r.sigma2, r.freedom, effect, dayFreedom);
    }

    std::vector<double> positions(size_t(r.grid.positions));
    for (int k = 0; k < r.grid.positions; ++k)
        positions[size_t(k)] = r.grid.position(k);
    r.position68 = intervalOf(positions, r.scan.byPosition, r.positionThreshold.at68);
    r.position95 = intervalOf(positions, r.scan.byPosition, r.positionThreshold.at95);
    r.a68 = intervalOf(r.grid.rise, r.scan.byRise, r.aThreshold.at68);
    r.a95 = intervalOf(r.grid.rise, r.scan.byRise, r.aThreshold.at95);
    r.b68 = intervalOf(r.grid.decay, r.scan.byDecay, r.bThreshold.at68);
    r.b95 = intervalOf(r.grid.decay, r.scan.byDecay, r.bThreshold.at95);

    std::vector<double> sorted = r.scan.byPosition;
    std::nth_element(sorted.begin(), sorted.begin() + ptrdiff_t(sorted.size() / 2), sorted.end());
    // Counts the model fits exactly (every count the same) leave no noise:
    // no position stands out from another.
    const double noise = r.sigma2 * r.positionThreshold.designEffect;
    r.profileDepth = noise > 0 ? (sorted[sorted.size() / 2] - r.rss) / noise : 0;

    r.valid = true;
    judge(r);
    units(r);
    return r;
}

Result fit(const std::vector<TRadData> &DataRows, const Options &options, Progress &progress)
{
    try {
        return fitRows(DataRows, options, progress);
    } catch (const JobCancelled &) {
        Result r;
        r.cancelled = true;
        return r;
    }
}

Result fit(const std::vector<TRadData> &DataRows, const Options &options,
           const std::function<bool(int done, int total)> &progress)
{
    Progress own;
    if (!progress)
        return fit(DataRows, options, own);
    return runPolled<Result>([&](Progress &p) { return fit(DataRows, options, p); },
                             [&](const Progress &p) { return progress(p.done(), p.total()); },
                             std::chrono::milliseconds(20));
}

QString failureText(const Result &r, const LanguageTexts &texts)
{
    using Text = LanguageTexts::Text;
    switch (r.failureKind) {
    case Failure::None:
        return {};
    case Failure::NoDates:
        return texts.text(Text::FailureNoDates);
    case Failure::TooFewRows:
        return texts
            .text(Text::FailureTooFewRows, {double(r.rows.series.size()), double(r.hoursOfDay)})
            .arg(r.rows.series.size())
            .arg(r.hoursOfDay);
    case Failure::SpanTooLong:
        return texts.text(Text::FailureSpanTooLong).arg(r.rows.span).arg(MaxSpanHours);
    }
    return {};
}

QString verdictText(const Result &r, const LanguageTexts &texts)
{
    using Text = LanguageTexts::Text;
    const QLocale locale = texts.locale();
    const Interval &p = r.position95;
    switch (r.verdict) {
    case Verdict::Determined:
        return {};
    case Verdict::NoFit:
        return failureText(r, texts);
    case Verdict::Flat:
        return texts.text(Text::VerdictFlat)
            .arg(locale.toString(r.profileDepth, 'f', 1),
                 locale.toString(flatDepth(r.rows.span), 'f', 1));
    case Verdict::RunsIntoEdge:
        return texts.text(p.atLow && p.atHigh ? Text::VerdictBothHours
                          : p.atLow           ? Text::VerdictFirstHour
                                              : Text::VerdictLastHour);
    case Verdict::TooWide:
        return texts.text(Text::VerdictTooWide)
            .arg(std::lround(100 * p.width() / r.rows.span))
            .arg(std::lround(100 * UndeterminedShare));
    case Verdict::Apart:
        return texts.text(Text::VerdictApart).arg(std::lround(p.widestGap));
    }
    return {};
}

QString boundText(const Result &r, const LanguageTexts &texts)
{
    using Text = LanguageTexts::Text;
    if (!r.valid)
        return {};
    QStringList bounds;
    const auto scaleBound = [&](const char *name, double v, const std::vector<double> &scales) {
        if (v <= scales.front())
            bounds
                << texts.text(Text::BoundLeastScale).arg(QLatin1String(name)).arg(scales.front());
        else if (v >= scales.back())
            bounds
                << texts.text(Text::BoundGreatestScale).arg(QLatin1String(name)).arg(scales.back());
    };
    scaleBound("a", r.a, r.grid.rise);
    scaleBound("b", r.b, r.grid.decay);
    if (r.position <= 0)
        bounds << texts.text(Text::BoundFirstHour);
    else if (r.position >= r.rows.span - 1)
        bounds << texts.text(Text::BoundLastHour);
    return bounds.join(QStringLiteral("; "));
}

} // namespace WholeRangeFit
