// One shower's profile fitted to several datasets at once (the years and
// stations of ShowerSeasons) on the solar-longitude axis: a common maximum
// and common rise and decay, each dataset with its own hour-of-day sporadic
// background and its own shower scale; the report's least-squares kernel,
// intervals and verdict, summed over the datasets.
#pragma once

#include "ProfileFit.h"
#include "ShowerSeasons.h"
#include "WholeRangeFit.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
#include <optional>
#include <vector>

class Progress;

namespace StackedFit {

// ---- the joint fit on any axis

// One dataset of the joint fit: its rows and the day of each (days of
// different datasets are told apart by the fit).
struct Input {
    ProfileFit::Series series;
    std::vector<int> day;
};

struct JointOptions {
    ProfileFit::Coupling coupling = ProfileFit::Coupling::PerHour;
    int threads = 0; // 0: all cores
};

// The joint fit in the grid's own units: the estimate, the profiles of the
// criterion (in `scan`) and the intervals of the position and the scales,
// by the report's method (WholeRangeFit): a plain then a weighted pass,
// sigma^2 from the residuals of all datasets, the design effects of
// day-to-day variation within each dataset, Student's thresholds.
struct Joint {
    bool valid = false;
    QString failure; // why there is no fit, in words
    bool cancelled = false;
    ProfileFit::Grid grid;
    ProfileFit::Scan scan; // summed over the datasets, of the weighted pass
    double position = 0, a = 0, b = 0;
    int positionIndex = -1, riseIndex = -1, decayIndex = -1;
    size_t rows = 0;
    int parameters = 0;
    double rss = 0, sigma2 = 0, freedom = 0, dayVariance = 0;
    double profileDepth = 0; // the best position below the median one, in sigma^2 D
    WholeRangeFit::Threshold positionThreshold, aThreshold, bThreshold;
    WholeRangeFit::Interval position68, position95, a68, a95, b68, b95;
    // Per dataset: the weights of the second pass and the fit at the estimate.
    std::vector<std::vector<double>> weights;
    std::vector<ProfileFit::Fit> fits;
};

// Every dataset scored on one grid and the sums of squares added position
// by position; of equal sums the earliest position wins, then the least
// rise, then the least decay scale, on any number of threads. With one
// dataset this is the report's fit (the test holds them equal). progress
// counts chunks of positions (two passes' worth) and is asked for a cancel
// between the datasets of a chunk.
Joint fitJoint(const std::vector<Input> &datasets, const ProfileFit::Grid &grid,
               const JointOptions &options, Progress *progress = nullptr);

// The scan of several evaluators of one grid, summed.
ProfileFit::Scan scanTogether(const std::vector<const ProfileFit::Evaluator *> &evaluators,
                              int threads, Progress *progress);

// ---- the shower on the solar-longitude axis

// The shower's hour-of-day modulation: a free coefficient for every hour of
// day in each dataset (the model of Run), or the radiant's observability
// from the station (Observability::ofHour) times one scale per dataset.
enum class Modulation { Hourly, Radiant };
// The model the page and vexlor-fit take unless told: the radiant's
// observability wherever it can be computed (a radiant, and every chosen
// column's station with its place), else a coefficient per hour of day.
// In the coverage study (bench/coverage_stacked) the radiant's model held
// the truth at least as often in every scenario, also where the rate did
// not follow it, and with no shower at all it called the maximum
// undetermined every time, where the free hours' coefficients imitated a
// shower in about half of the tables.
inline constexpr Modulation DefaultModulation = Modulation::Radiant;
inline constexpr Modulation FallbackModulation = Modulation::Hourly;
Modulation defaultModulation(bool radiantKnown, const std::vector<ShowerSeasons::Column> &columns);

// The grid: the maximum at every 0.01 degree of the window; the rise and
// decay scales (e-folding lengths in degrees) at 48 values spaced evenly on
// a logarithmic scale from 0.04 degree (about the counting hour: B of 10.9
// per degree) to 10 degrees (B of 0.043), 12.5 % apart.
inline constexpr double PositionStep = 0.01;
inline constexpr double LeastScale = 0.04;
inline constexpr double GreatestScale = 10;
inline constexpr int Scales = 48;
std::vector<double> scaleGrid(double least = LeastScale, double greatest = GreatestScale,
                              int count = Scales);

// The datasets are limited by the memory the fit's states take: with the
// window's positions and the grid's scales, at most this many bytes.
inline constexpr double MaxStateBytes = 1.5e9;

struct Options {
    Modulation modulation = FallbackModulation; // the caller chooses: defaultModulation()
    // The radiant and its drift, for Modulation::Radiant.
    std::optional<ShowerList::Track> radiant;
    int threads = 0;
    // The rise and decay scales: this many from LeastScale to GreatestScale
    // (a coarser grid for quick looks and for the tests' small tables).
    int scales = Scales;
};

struct DatasetResult {
    QString column, station;
    int year = 0;
    size_t rows = 0;
    int hoursOfDay = 0;
    // The shower's count per hour at the maximum, averaged over the hours
    // of day (with the radiant's model, the scale times the mean
    // observability of each hour).
    double scale = 0;
    // Run's relative deviation of the fitted counts: sum |y - f| / sum (y + f).
    double dO = 0;
};

struct Result {
    bool valid = false;
    QString failure;
    bool cancelled = false;
    Modulation modulation = Modulation::Hourly;
    ShowerSeasons::Window window;
    std::vector<ShowerSeasons::Dataset> datasets;
    Joint joint;

    // The maximum, degrees J2000.0 (0 to 360), and its intervals.
    double lambdaMax = std::nan("");
    double lambda68lo = std::nan(""), lambda68hi = std::nan("");
    double lambda95lo = std::nan(""), lambda95hi = std::nan("");
    // Jenniskens' slopes B+ and B- per degree, B = 1 / (s ln 10) for an
    // e-folding length s in degrees, and their intervals (from those of s).
    double bPlus = std::nan(""), bMinus = std::nan("");
    double bPlus68lo = std::nan(""), bPlus68hi = std::nan("");
    double bPlus95lo = std::nan(""), bPlus95hi = std::nan("");
    double bMinus68lo = std::nan(""), bMinus68hi = std::nan("");
    double bMinus95lo = std::nan(""), bMinus95hi = std::nan("");
    double fwhmDegrees = std::nan(""); // (a + b) ln 2

    bool undetermined = false;
    QString undeterminedReason;
    bool onBound = false;
    QString boundReason;
    std::vector<DatasetResult> perDataset;
};

// The fit of the datasets in the window. A fit that cannot be made (no
// dataset, too few rows, the radiant's model without a radiant or a
// station's place, more states than MaxStateBytes) says why in `failure`;
// a cancel through progress gives `cancelled`.
Result fit(std::vector<ShowerSeasons::Dataset> datasets, const ShowerSeasons::Window &window,
           const Options &options, Progress *progress = nullptr);

// The data do not determine the maximum when its 95 % interval spans more
// than this share of the window, or holds positions this many degrees
// (a day) apart with worse ones between them.
inline constexpr double UndeterminedGap = 1.0;

// The profile factor of the fit at a solar longitude on the window's axis.
double profileAt(const Result &r, double t);

} // namespace StackedFit
