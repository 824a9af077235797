// One shower's profile fitted to several datasets at once.
#include "StackedFit.h"

#include "app/Progress.h"
#include "app/WorkerThreads.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <set>

namespace StackedFit {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double DegreesPerHour = 360.0 / 365.2422 / 24.0;
// As the report's: the least variance a count is given in the weights, and
// the degrees of freedom a fit must leave for its noise.
constexpr double LeastVariance = 1.0;
constexpr double LeastFreedom = 5;
// Days of different datasets are told apart by this multiple of the
// dataset's number (a dataset spans fewer days).
constexpr int DaysApart = 1000000;

bool cancelled(const Progress *progress)
{
    return progress && progress->cancelled();
}

double wrapped(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

// The hours of day a series holds rows of.
int hoursOf(const ProfileFit::Series &s)
{
    std::array<bool, 24> present{};
    for (std::int32_t h : s.hour)
        if (h >= 0 && h <= 23)
            present[size_t(h)] = true;
    return int(std::count(present.begin(), present.end(), true));
}

// The parameters of a dataset's lines: a background and a shower
// coefficient for every hour of day, or a background for every hour and
// one scale.
int parametersOf(const ProfileFit::Series &s, ProfileFit::Coupling coupling)
{
    const int hours = hoursOf(s);
    return coupling == ProfileFit::Coupling::PerHour ? 2 * hours : hours + 1;
}

// The evaluators of one pass (the datasets with their weights) and their
// summed scan.
ProfileFit::Scan scanPass(const std::vector<Input> &datasets,
                          const std::vector<std::vector<double>> *weights,
                          const ProfileFit::Grid &grid, const JointOptions &options,
                          Progress *progress)
{
    std::vector<std::unique_ptr<ProfileFit::Evaluator>> owned;
    std::vector<const ProfileFit::Evaluator *> evaluators;
    for (size_t d = 0; d < datasets.size(); ++d) {
        if (cancelled(progress)) {
            ProfileFit::Scan s;
            s.cancelled = true;
            return s;
        }
        ProfileFit::Series series = datasets[d].series;
        if (weights)
            series.weight = (*weights)[d];
        owned.push_back(std::make_unique<ProfileFit::Evaluator>(series, grid, options.coupling));
        evaluators.push_back(owned.back().get());
    }
    return scanTogether(evaluators, options.threads, progress);
}

} // namespace

ProfileFit::Scan scanTogether(const std::vector<const ProfileFit::Evaluator *> &evaluators,
                              int threads, Progress *progress)
{
    ProfileFit::Scan s;
    if (evaluators.empty())
        return s;
    const ProfileFit::Evaluator &first = *evaluators.front();
    s.positions = first.positions();
    s.rises = first.rises();
    s.decays = first.decays();
    for (const ProfileFit::Evaluator *e : evaluators) {
        s.nullRss += e->nullRss();
        s.hoursPresent += e->hoursPresent();
    }
    const size_t A = size_t(s.rises), B = size_t(s.decays), stride = size_t(first.paddedDecays());
    s.byPosition.assign(size_t(s.positions), Infinity);
    s.riseAt.assign(size_t(s.positions), -1);
    s.decayAt.assign(size_t(s.positions), -1);
    s.byRise.assign(A, Infinity);
    s.byDecay.assign(B, Infinity);
    const int total = first.chunks();
    if (total == 0 || A == 0 || B == 0 || s.hoursPresent == 0)
        return s;

    struct Local {
        std::vector<double> byRise, byDecay, acc, rowMin;
        ProfileFit::Evaluator::Workspace work;
    };
    const int count = WorkerThreads::count(threads, total);
    std::vector<Local> locals(static_cast<size_t>(count));
    for (Local &l : locals) {
        l.byRise.assign(A, Infinity);
        l.byDecay.assign(B, Infinity);
        l.rowMin.resize(A);
    }
    std::atomic<int> next{0}, slot{0};
    std::atomic<bool> stop{false};
    const auto work = [&] {
        Local &l = locals[size_t(slot.fetch_add(1))];
        for (;;) {
            const int chunk = next.fetch_add(1);
            if (chunk >= total || stop.load(std::memory_order_relaxed))
                return;
            const int k0 = chunk * ProfileFit::ChunkPositions;
            const int k1 = std::min(s.positions, k0 + ProfileFit::ChunkPositions);
            const size_t plane = A * stride;
            l.acc.resize(size_t(k1 - k0) * plane);
            for (size_t d = 0; d < evaluators.size(); ++d) {
                if (cancelled(progress)) {
                    stop = true;
                    return;
                }
                evaluators[d]->scoreChunk(chunk, l.work, nullptr,
                                          [&](int k, const double *slab, const double *) {
                                              double *into = l.acc.data() + size_t(k - k0) * plane;
                                              if (d == 0)
                                                  std::copy(slab, slab + plane, into);
                                              else
                                                  for (size_t i = 0; i < plane; ++i)
                                                      into[i] += slab[i];
                                          });
            }
            // Each position's best as the report's scan takes it: the least
            // rise scale of the least sum, then the least decay scale of
            // that row.
            for (int k = k0; k < k1; ++k) {
                const double *slab = l.acc.data() + size_t(k - k0) * plane;
                for (size_t ia = 0; ia < A; ++ia) {
                    const double *row = slab + ia * stride;
                    double m = row[0];
                    for (size_t ib = 1; ib < B; ++ib)
                        m = std::min(m, row[ib]);
                    l.rowMin[ia] = m;
                    l.byRise[ia] = std::min(l.byRise[ia], m);
                    for (size_t ib = 0; ib < B; ++ib)
                        l.byDecay[ib] = std::min(l.byDecay[ib], row[ib]);
                }
                size_t ia = 0;
                for (size_t i = 1; i < A; ++i)
                    if (l.rowMin[i] < l.rowMin[ia])
                        ia = i;
                const double *row = slab + ia * stride;
                size_t ib = 0;
                while (ib + 1 < stride && !(row[ib] <= l.rowMin[ia]))
                    ++ib;
                s.byPosition[size_t(k)] = l.rowMin[ia];
                s.riseAt[size_t(k)] = int(ia);
                s.decayAt[size_t(k)] = int(std::min(ib, B - 1));
            }
            if (progress)
                progress->addDone(1);
        }
    };
    if (count == 1) {
        work(); // on the calling thread
    } else {
        WorkerThreads pool(count, work, [&] { stop = true; });
        pool.join();
    }
    if (stop.load() || next.load() < total) {
        s.cancelled = true;
        return s;
    }
    for (const Local &l : locals) {
        for (size_t i = 0; i < A; ++i)
            s.byRise[i] = std::min(s.byRise[i], l.byRise[i]);
        for (size_t i = 0; i < B; ++i)
            s.byDecay[i] = std::min(s.byDecay[i], l.byDecay[i]);
    }
    s.pickBest();
    return s;
}

Joint fitJoint(const std::vector<Input> &datasets, const ProfileFit::Grid &grid,
               const JointOptions &options, Progress *progress)
{
    Joint r;
    r.grid = grid;
    int datasetParameters = 0;
    for (const Input &in : datasets) {
        r.rows += in.series.size();
        datasetParameters += parametersOf(in.series, options.coupling);
    }
    r.parameters = datasetParameters + 3;
    r.freedom = double(r.rows) - r.parameters;
    if (datasets.empty() || r.rows == 0) {
        r.failure = QStringLiteral("no dataset has rows in the window");
        return r;
    }
    if (r.freedom < LeastFreedom) {
        r.failure = QStringLiteral("%1 rows are too few for a shower and the %2 lines of the "
                                   "datasets' hours of day")
                        .arg(r.rows)
                        .arg(datasetParameters);
        return r;
    }
    if (grid.positions <= 0 || grid.rise.empty() || grid.decay.empty()) {
        r.failure = QStringLiteral("the grid of the fit is empty");
        return r;
    }

    // Pass 1: plain least squares, for the fitted counts that weigh pass 2.
    r.scan = scanPass(datasets, nullptr, grid, options, progress);
    if (r.scan.cancelled) {
        r.cancelled = true;
        return r;
    }
    if (!r.scan.valid()) {
        r.failure = QStringLiteral("no candidate of the grid could be fitted");
        return r;
    }
    const auto estimate = [&] {
        r.positionIndex = r.scan.bestPosition;
        r.riseIndex = r.scan.bestRise;
        r.decayIndex = r.scan.bestDecay;
        r.position = grid.position(r.positionIndex);
        r.a = grid.rise[size_t(r.riseIndex)];
        r.b = grid.decay[size_t(r.decayIndex)];
        r.rss = r.scan.bestRss;
    };
    estimate();
    r.weights.resize(datasets.size());
    for (size_t d = 0; d < datasets.size(); ++d) {
        const ProfileFit::Fit plain =
            ProfileFit::fitAt(datasets[d].series, r.position, r.a, r.b, options.coupling);
        std::vector<double> &w = r.weights[d];
        w.resize(plain.fitted.size());
        for (size_t j = 0; j < w.size(); ++j)
            w[j] = 1 / std::max(plain.fitted[j], LeastVariance);
    }
    r.scan = scanPass(datasets, &r.weights, grid, options, progress);
    if (r.scan.cancelled) {
        r.cancelled = true;
        return r;
    }
    if (!r.scan.valid()) {
        r.failure = QStringLiteral("no candidate of the grid could be fitted");
        return r;
    }
    estimate();
    r.sigma2 = r.rss / r.freedom;

    // The rows of all datasets side by side: weights, residuals, the
    // fitted background, and the day of each row told apart by dataset.
    std::vector<double> weights, residuals, background;
    std::vector<int> day;
    std::vector<ProfileFit::Series> weighted(datasets.size());
    r.fits.resize(datasets.size());
    for (size_t d = 0; d < datasets.size(); ++d) {
        weighted[d] = datasets[d].series;
        weighted[d].weight = r.weights[d];
        r.fits[d] = ProfileFit::fitAt(weighted[d], r.position, r.a, r.b, options.coupling);
        const ProfileFit::Series &s = weighted[d];
        for (size_t j = 0; j < s.size(); ++j) {
            weights.push_back(r.weights[d][j]);
            residuals.push_back(s.y[j] - r.fits[d].fitted[j]);
            background.push_back(r.fits[d].C[size_t(s.hour[j])]);
            day.push_back(int(d) * DaysApart + datasets[d].day[j]);
        }
    }
    // The day-level directions the fit takes out itself: each dataset's
    // background and shower scale, and the position, rise and decay.
    const double directions = 2.0 * double(datasets.size()) + 3;
    r.dayVariance =
        WholeRangeFit::dayLevelVariance(day, weights, residuals, background, r.sigma2, directions);
    const double dayFreedom =
        std::max(1.0, double(std::set<int>(day.begin(), day.end()).size()) - directions);

    // Each parameter's direction: one grid step either way, within the grid.
    const std::vector<double> positions = [&] {
        std::vector<double> p(size_t(grid.positions));
        for (int k = 0; k < grid.positions; ++k)
            p[size_t(k)] = grid.position(k);
        return p;
    }();
    const std::vector<double> *values[3] = {&positions, &grid.rise, &grid.decay};
    const int index[3] = {r.positionIndex, r.riseIndex, r.decayIndex};
    WholeRangeFit::Threshold *thresholds[3] = {&r.positionThreshold, &r.aThreshold, &r.bThreshold};
    for (int which = 0; which < 3; ++which) {
        double effect = 1;
        if (r.dayVariance > 0) {
            const std::vector<double> &v = *values[which];
            const double down = v[size_t(std::max(0, index[which] - 1))];
            const double up = v[size_t(std::min(int(v.size()) - 1, index[which] + 1))];
            std::vector<double> g;
            for (size_t d = 0; d < datasets.size(); ++d) {
                const std::vector<double> part = WholeRangeFit::direction(
                    weighted[d], r.position, r.a, r.b, which, down, up, options.coupling);
                g.insert(g.end(), part.begin(), part.end());
            }
            effect =
                WholeRangeFit::designEffect(day, weights, background, g, r.dayVariance, r.sigma2);
        }
        *thresholds[which] =
            WholeRangeFit::threshold(r.rss, r.sigma2, r.freedom, effect, dayFreedom);
    }

    r.position68 =
        WholeRangeFit::intervalOf(positions, r.scan.byPosition, r.positionThreshold.at68);
    r.position95 =
        WholeRangeFit::intervalOf(positions, r.scan.byPosition, r.positionThreshold.at95);
    r.a68 = WholeRangeFit::intervalOf(grid.rise, r.scan.byRise, r.aThreshold.at68);
    r.a95 = WholeRangeFit::intervalOf(grid.rise, r.scan.byRise, r.aThreshold.at95);
    r.b68 = WholeRangeFit::intervalOf(grid.decay, r.scan.byDecay, r.bThreshold.at68);
    r.b95 = WholeRangeFit::intervalOf(grid.decay, r.scan.byDecay, r.bThreshold.at95);

    std::vector<double> sorted = r.scan.byPosition;
    std::nth_element(sorted.begin(), sorted.begin() + ptrdiff_t(sorted.size() / 2), sorted.end());
    const double noise = r.sigma2 * r.positionThreshold.designEffect;
    r.profileDepth = noise > 0 ? (sorted[sorted.size() / 2] - r.rss) / noise : 0;
    r.valid = true;
    return r;
}

std::vector<double> scaleGrid(double least, double greatest, int count)
{
    std::vector<double> s;
    if (count == 1)
        return {least};
    const double ratio = std::log(greatest / least) / (count - 1);
    for (int i = 0; i < count; ++i)
        s.push_back(i + 1 == count ? greatest : least * std::exp(ratio * i));
    return s;
}

namespace {

QString degreesText(double v, int decimals = 2)
{
    return QString::number(v, 'f', decimals);
}

void judge(Result &r)
{
    const Joint &j = r.joint;
    const WholeRangeFit::Interval &p = j.position95;
    const double width = r.window.width();
    // The flat profile's depth as the report takes it, for the hours the
    // window spans.
    const int hours = int(std::lround(width / DegreesPerHour));
    if (j.profileDepth <= WholeRangeFit::flatDepth(hours)) {
        r.undeterminedReason =
            QStringLiteral("the profile over the solar longitude is flat: its best position "
                           "stands out from a typical one by %1 sigma^2, no more than noise "
                           "alone gives (%2)")
                .arg(QString::number(j.profileDepth, 'f', 1),
                     QString::number(WholeRangeFit::flatDepth(hours), 'f', 1));
    } else if (p.atLow || p.atHigh) {
        r.undeterminedReason =
            QStringLiteral("the 95 % interval of the maximum runs into the %1 of the window")
                .arg(p.atLow && p.atHigh ? QStringLiteral("start and the end")
                     : p.atLow           ? QStringLiteral("start")
                                         : QStringLiteral("end"));
    } else if (p.width() > WholeRangeFit::UndeterminedShare * width) {
        r.undeterminedReason =
            QStringLiteral("the 95 % interval of the maximum spans %1 % of the window, more "
                           "than %2 %")
                .arg(std::lround(100 * p.width() / width))
                .arg(std::lround(100 * WholeRangeFit::UndeterminedShare));
    } else if (p.pieces > 1 && p.widestGap >= UndeterminedGap) {
        r.undeterminedReason = QStringLiteral("solar longitudes %1 degrees apart fit within the "
                                              "95 % interval, with worse ones between them")
                                   .arg(degreesText(p.widestGap));
    }
    r.undetermined = !r.undeterminedReason.isEmpty();

    QStringList bounds;
    const auto scaleBound = [&](const char *name, double v, const std::vector<double> &grid) {
        if (v <= grid.front())
            bounds << QStringLiteral("%1 at the least scale of the grid (%2 degree)")
                          .arg(QLatin1String(name), degreesText(grid.front(), 3));
        else if (v >= grid.back())
            bounds << QStringLiteral("%1 at the greatest scale of the grid (%2 degrees)")
                          .arg(QLatin1String(name), degreesText(grid.back(), 1));
    };
    scaleBound("the rise", j.a, j.grid.rise);
    scaleBound("the decay", j.b, j.grid.decay);
    if (j.positionIndex <= 0)
        bounds << QStringLiteral("the maximum at the start of the window");
    else if (j.positionIndex >= j.grid.positions - 1)
        bounds << QStringLiteral("the maximum at the end of the window");
    r.onBound = !bounds.isEmpty();
    r.boundReason = bounds.join(QStringLiteral("; "));
}

double slope(double scale)
{
    return 1 / (scale * std::log(10.0));
}

void units(Result &r)
{
    const Joint &j = r.joint;
    r.lambdaMax = wrapped(j.position);
    if (j.position68.valid()) {
        r.lambda68lo = wrapped(j.position68.lo);
        r.lambda68hi = wrapped(j.position68.hi);
    }
    if (j.position95.valid()) {
        r.lambda95lo = wrapped(j.position95.lo);
        r.lambda95hi = wrapped(j.position95.hi);
    }
    r.bPlus = slope(j.a);
    r.bMinus = slope(j.b);
    // A longer scale is a smaller slope: the ends swap.
    const auto flip = [](const WholeRangeFit::Interval &i, double &lo, double &hi) {
        if (!i.valid())
            return;
        lo = slope(i.hi);
        hi = slope(i.lo);
    };
    flip(j.a68, r.bPlus68lo, r.bPlus68hi);
    flip(j.a95, r.bPlus95lo, r.bPlus95hi);
    flip(j.b68, r.bMinus68lo, r.bMinus68hi);
    flip(j.b95, r.bMinus95lo, r.bMinus95hi);
    r.fwhmDegrees = (j.a + j.b) * std::log(2.0);
}

void describeDatasets(Result &r)
{
    for (size_t d = 0; d < r.datasets.size(); ++d) {
        const ShowerSeasons::Dataset &set = r.datasets[d];
        const ProfileFit::Fit &fit = r.joint.fits[d];
        DatasetResult out;
        out.column = set.column.name;
        out.station = set.column.station.name;
        out.year = set.year;
        out.rows = set.size();
        out.hoursOfDay = hoursOf(set.series);
        std::array<double, 24> visibility{}, rows{};
        double deviation = 0, total = 0;
        for (size_t j = 0; j < set.size(); ++j) {
            const size_t h = size_t(set.series.hour[j]);
            visibility[h] += set.series.visibility.empty() ? 1.0 : set.series.visibility[j];
            rows[h] += 1;
            deviation += std::fabs(set.series.y[j] - fit.fitted[j]);
            total += set.series.y[j] + fit.fitted[j];
        }
        double scale = 0;
        int hours = 0;
        for (size_t h = 0; h < 24; ++h)
            if (rows[h] > 0) {
                scale += fit.K[h] * visibility[h] / rows[h];
                ++hours;
            }
        out.scale = hours > 0 ? scale / hours : 0;
        out.dO = total != 0 ? std::fabs(deviation / total) : 0;
        r.perDataset.push_back(out);
    }
}

} // namespace

Result fit(std::vector<ShowerSeasons::Dataset> datasets, const ShowerSeasons::Window &window,
           const Options &options, Progress *progress)
{
    Result r;
    r.modulation = options.modulation;
    r.window = window;
    r.datasets = std::move(datasets);
    const auto fail = [&r](const QString &why) {
        r.failure = why;
        r.undetermined = true;
        r.undeterminedReason = why;
        return r;
    };
    if (r.datasets.empty())
        return fail(QStringLiteral("no chosen column has a season with counts in the window"));

    JointOptions joint;
    joint.threads = options.threads;
    joint.coupling = ProfileFit::Coupling::PerHour;
    if (options.modulation == Modulation::Radiant) {
        if (!options.radiant)
            return fail(QStringLiteral("the radiant's model needs the shower's radiant"));
        QStringList unplaced;
        for (const ShowerSeasons::Dataset &d : r.datasets)
            if (!d.column.station.located() && !unplaced.contains(d.column.name))
                unplaced << d.column.name;
        if (!unplaced.isEmpty())
            return fail(QStringLiteral("the radiant's model needs the latitude and longitude of "
                                       "the station of %1")
                            .arg(unplaced.join(QStringLiteral(", "))));
        for (ShowerSeasons::Dataset &d : r.datasets)
            ShowerSeasons::applyObservability(d, *options.radiant);
        joint.coupling = ProfileFit::Coupling::OneScale;
    } else {
        for (ShowerSeasons::Dataset &d : r.datasets)
            d.series.visibility.clear();
    }

    ProfileFit::Grid grid;
    grid.first = window.from;
    grid.step = PositionStep;
    grid.positions = int(std::floor(window.width() / PositionStep + 1e-9)) + 1;
    grid.rise = grid.decay =
        scaleGrid(LeastScale, GreatestScale, std::clamp(options.scales, 2, 4 * Scales));
    // The states the evaluators keep: rise and decay sums of every hour of
    // day at the ends of every chunk of positions, for each dataset.
    const double chunks = std::ceil(double(grid.positions) / ProfileFit::ChunkPositions);
    const double bytes = double(r.datasets.size()) * chunks *
                         double(grid.rise.size() + grid.decay.size() + 8) * 3 * 24 * 8;
    if (bytes > MaxStateBytes)
        return fail(QStringLiteral("%1 datasets over %2 degrees need more memory than the fit "
                                   "may take (%3 MB); choose a narrower window or fewer columns")
                        .arg(r.datasets.size())
                        .arg(window.width())
                        .arg(std::lround(MaxStateBytes / 1e6)));

    std::vector<Input> inputs;
    for (const ShowerSeasons::Dataset &d : r.datasets)
        inputs.push_back({d.series, d.day});
    if (progress)
        progress->setTotal(2 * int(chunks));
    r.joint = fitJoint(inputs, grid, joint, progress);
    if (r.joint.cancelled) {
        r.cancelled = true;
        return r;
    }
    if (!r.joint.valid)
        return fail(r.joint.failure);
    judge(r);
    units(r);
    describeDatasets(r);
    r.valid = true;
    return r;
}

double profileAt(const Result &r, double t)
{
    const Joint &j = r.joint;
    return t <= j.position ? std::exp(-(j.position - t) / j.a) : std::exp(-(t - j.position) / j.b);
}

Modulation defaultModulation(bool radiantKnown, const std::vector<ShowerSeasons::Column> &columns)
{
    const bool located = !columns.empty() && std::all_of(columns.begin(), columns.end(),
                                                         [](const ShowerSeasons::Column &c) {
                                                             return c.station.located();
                                                         });
    return radiantKnown && located ? DefaultModulation : FallbackModulation;
}

} // namespace StackedFit
