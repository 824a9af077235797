// The report's own fit of the maximum: a least-squares search over every
// hour of the selection and a documented grid of rise and decay scales,
// likelihood-ratio intervals, the verdict whether the data determine the
// maximum at all, and the observers' units. Beside Run and Auto Calc, never
// instead of them: nothing here changes a number they produce.
#pragma once

#include "ActivityModel.h"
#include "ProfileFit.h"
#include "app/LanguageTexts.h"
#include "app/Progress.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cmath>
#include <functional>
#include <vector>

namespace WholeRangeFit {

// The grid of rise and decay scales: every whole hour from the least to the
// greatest, as Auto Calc's. The least is the hour that counts: a profile
// narrower than its counting interval cannot be seen in hourly counts (one
// hour is 0.041 degree of solar longitude, B+ and B- of about 10.5 per
// degree). An estimate on it is a spike: with a free shower coefficient for
// every hour of day a spike reproduces the 24 rows around any position, and
// the report says so in words. A higher least scale (2 or 3 h) was tried:
// the truth of a narrow shower (3 h) then sits at the grid's edge and its
// intervals hold it far more often than they claim.
inline constexpr int LeastScale = 1;
inline constexpr int GreatestScale = 100;

// The data do not determine the maximum when its 95 % interval spans more
// than this share of the selection's hours.
inline constexpr double UndeterminedShare = 0.5;

// The longest selection fitted, in hours from the first row to the last:
// twelve years. The states of the search take about 2 kB an hour (and a
// replicate batch of the bootstrap 6 kB), so a date typed a century wrong
// would otherwise ask for gigabytes; such a selection gets no fit, and the
// words say why.
inline constexpr int MaxSpanHours = 12 * 8766;

// The profile over the position is flat when its best stands below a
// typical position (the median) by no more than noise alone gives: 20 + 6
// ln(hours / 24) in units of sigma^2 D, which selections without a shower
// exceed about once in a hundred (bench/coverage: 27 at 120 hours, 30 at
// 240, 49 at 720, 46 at 2 160 for the 99th of 100 seeds; a spike fitted to
// noise anywhere stands out by that much).
double flatDepth(int hours);

// The selected rows on an axis of hours.
struct Rows {
    ProfileFit::Series series; // t: hours after the first hour (t = 0); hour; count
    std::vector<int> offsets;  // the row offset (in DataRows) of each series row
    std::vector<int> day;      // the UT day of each series row, 0 for the first day
    QDate firstDate;           // the date and hour of t = 0
    int firstHour = 0;
    int span = 0;        // hours from the first row to the last, both counted
    int withoutTime = 0; // rows whose date does not read: left out, counted
};
Rows placeRows(const std::vector<TRadData> &DataRows);

// An interval of a parameter: the hull of the grid values whose profile lies
// within the threshold, its ends interpolated to the threshold's crossing.
struct Interval {
    double lo = std::nan(""), hi = std::nan("");
    bool atLow = false, atHigh = false; // it reaches the grid's first or last value
    int pieces = 0;                     // separate stretches within the hull
    double widestGap = 0;               // the widest gap between them
    bool valid() const { return pieces > 0; }
    bool holds(double v) const { return valid() && v >= lo && v <= hi; }
    double width() const { return valid() ? hi - lo : std::nan(""); }
};

// The intervals are likelihood-ratio intervals of a weighted least-squares
// fit (the weights 1 / fitted count of a first, plain pass make it the
// Poisson quasi-likelihood): a value belongs to a parameter's interval when
// the least sum of squares with the parameter held there exceeds the best
// by no more than sigma^2 D t^2. sigma^2 is the residuals' own dispersion
// (RSS / (n - p), p = 2 x hours of day + 3); D, the design effect, widens it
// for a sporadic level that runs high or low by whole days (estimated from
// the residuals of each day, and applied as far as the parameter's own
// information comes from whole days); t is Student's quantile with the
// degrees of freedom of both noises (Satterthwaite). t^2 is widened by
// Widen68 and Widen95: the whole-range profile is bumpier than Wilks'
// theorem assumes (its likelihood ratio at the truth spreads wider, most of
// all for narrow showers), and the coverage study (bench/coverage) shows
// these factors bring the intervals to their levels.
inline constexpr double Widen68 = 1.15;
inline constexpr double Widen95 = 1.1;
// The day-level directions the fit itself takes out of the residuals: the
// background's mean and the shower's scale, position, rise and decay.
inline constexpr double DayDirectionsFitted = 5;

struct Options {
    int leastScale = LeastScale, greatestScale = GreatestScale;
    int threads = 0;
};

// What the threshold of one parameter is made of.
struct Threshold {
    double designEffect = 1;   // the widening for day-to-day variation
    double freedom = 0;        // degrees of freedom of the noise (Satterthwaite)
    double at68 = 0, at95 = 0; // the sums of squares the intervals reach
};

// Why a selection gets no fit.
enum class Failure { None, NoDates, TooFewRows, SpanTooLong };
// Whether the data determine the maximum, and if not, the first reason
// found (in this order).
enum class Verdict {
    Determined,
    NoFit,        // no fit: the failure says why
    Flat,         // the profile over the position stands out no more than noise
    RunsIntoEdge, // the 95 % interval runs into the first or last hour
    TooWide,      // the 95 % interval spans more than UndeterminedShare
    Apart,        // positions a day or more apart, worse ones between them
};

struct Result {
    bool valid = false;
    Failure failureKind = Failure::None;
    int hoursOfDay = 0; // hours of day with rows
    QString failure;    // why there is no fit, in words (English)
    Rows rows;
    ProfileFit::Grid grid;
    ProfileFit::Scan scan;       // of the pass the estimate comes from
    std::vector<double> weights; // per series row
    std::vector<double> fitted;  // the fitted count per series row at the estimate
    double position = 0;         // hours after the first hour
    double a = 0, b = 0;         // hours
    double rss = 0, sigma2 = 0, freedom = 0;
    double dayVariance = 0; // of the sporadic level's daily factor, estimated
    // How far the best position stands below a typical one (the median of
    // the profile over the position), in units of sigma^2 D.
    double profileDepth = 0;
    Threshold positionThreshold, aThreshold, bThreshold;
    Interval position68, position95, a68, a95, b68, b95;

    Verdict verdict = Verdict::NoFit;
    bool undetermined = false;
    QString undeterminedReason; // empty when determined (English)
    bool onBound = false;
    QString boundReason; // (English)

    QDate date; // the hour of the maximum (UT)
    int hour = 0;
    double solarLongitude = std::nan(""); // at the middle of that hour
    double degreesPerHour = std::nan("");
    double bPlus = std::nan(""), bMinus = std::nan(""); // per degree
    double fwhmHours = 0, fwhmDegrees = std::nan("");
    double solarLongitude68lo = std::nan(""), solarLongitude68hi = std::nan("");
    double solarLongitude95lo = std::nan(""), solarLongitude95hi = std::nan("");
    bool cancelled = false;
};

// The fit of the selected rows. progress: its total is set to the chunks of
// both passes, each chunk scored counts one step; a cancel stops the fit
// within one chunk of positions (cancelled set, nothing else).
Result fit(const std::vector<TRadData> &DataRows, const Options &options, Progress &progress);
// The same with progress(done, total) asked on the calling thread as the
// scans go; false cancels.
Result fit(const std::vector<TRadData> &DataRows, const Options &options = {},
           const std::function<bool(int done, int total)> &progress = {});

// The pieces of the intervals, shared by the fit of one selection and the
// fit of several datasets on one axis (their rows side by side, their days
// told apart by the day numbers given).

// The change of the fitted counts per unit of one parameter (0 the
// position, 1 the rise scale, 2 the decay scale) between the values down
// and up of it, the hours' lines fitted again: the direction in which the
// data inform it.
std::vector<double> direction(const ProfileFit::Series &series, double P, double a, double b,
                              int which, double down, double up,
                              ProfileFit::Coupling coupling = ProfileFit::Coupling::PerHour);

// The day-to-day variance of the sporadic level, as a share of the level:
// each day's residuals fitted as (f_d - 1) times the fitted background, the
// noise of that estimate taken out, averaged over the days less the
// day-level directions the fit takes out itself (`directions`: the
// background's mean and the shower's scale of each dataset, the position,
// rise and decay). day: the day of each row.
double dayLevelVariance(const std::vector<int> &day, const std::vector<double> &weights,
                        const std::vector<double> &residuals, const std::vector<double> &background,
                        double sigma2, double directions = DayDirectionsFitted);

// The variance of the score in direction g with a day-to-day factor of
// variance v on the background, over that of independent rows.
double designEffect(const std::vector<int> &day, const std::vector<double> &weights,
                    const std::vector<double> &background, const std::vector<double> &g, double v,
                    double sigma2);

// The threshold of a parameter: the least sum of squares rss, the
// residuals' dispersion sigma2 with `freedom` degrees of freedom, the
// parameter's design effect `effect` and the days' degrees of freedom.
Threshold threshold(double rss, double sigma2, double freedom, double effect, double dayFreedom);

// The words of a result in a language (numbers with its decimal
// separator): why there is no fit, why the data do not determine the
// maximum (empty when they do), and which estimates lie on an edge of their
// grids (empty when none). The English ones are the result's own texts.
QString failureText(const Result &result, const LanguageTexts &texts);
QString verdictText(const Result &result, const LanguageTexts &texts);
QString boundText(const Result &result, const LanguageTexts &texts);

// The solar longitude at the middle of the hour `hours` after t = 0.
double solarLongitudeAt(const Rows &rows, double hours);

// The interval of a profile over grid values x (ascending) for a threshold.
Interval intervalOf(const std::vector<double> &x, const std::vector<double> &profile,
                    double threshold);

// The square of Student's t quantile for a two-sided level (0.68, 0.95) and
// `freedom` degrees of freedom (at least 1): the likelihood-ratio threshold
// in units of sigma^2.
double tSquared(double level, double freedom);

} // namespace WholeRangeFit
