// A shower's counts of several years and stations on one axis.
#include "ShowerSeasons.h"

#include "Observability.h"
#include "RunPipeline.h"
#include "SolarLongitude.h"
#include "app/Convert.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/Progress.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <algorithm>
#include <map>
#include <optional>

namespace ShowerSeasons {

namespace {

constexpr double DegreesPerDay = 360.0 / 365.2422;
// The Sun's longitude at 0h UT on January 1 (280.0 to 280.5 over the leap
// cycle and the centuries near 2000).
constexpr double TurnOfYear = 280.2;

double wrapped(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace

Window window(double from, double to)
{
    if (!std::isfinite(from) || !std::isfinite(to))
        throw VexlorError(QStringLiteral("a solar longitude must be a number of degrees"));
    Window w;
    w.from = wrapped(from);
    w.to = w.from + wrapped(to - from);
    if (!(w.width() > 0) || w.width() > MaxWidth)
        throw VexlorError(
            QStringLiteral("the window of solar longitude from %1 to %2 degrees is empty or wider "
                           "than %3 degrees")
                .arg(from)
                .arg(to)
                .arg(MaxWidth));
    return w;
}

Window window(const ShowerList::Shower &shower)
{
    const ShowerList::Span span = ShowerList::activity(shower);
    return window(span.from, span.to);
}

double onAxis(const Window &w, double lambda)
{
    const double t = w.from + wrapped(lambda - w.from);
    return t <= w.to ? t : std::nan("");
}

int seasonYear(const Window &w, double jd)
{
    double reference = wrapped(w.middle());
    if (std::fabs(std::remainder(reference - TurnOfYear, 360.0)) < 1.5)
        reference = TurnOfYear + 1.8;
    // The passage nearest to jd, by Newton's steps on the Sun's mean motion
    // (three reach it to seconds: the true motion differs by 3 % at most).
    double t = jd;
    for (int i = 0; i < 4; ++i)
        t -= std::remainder(SolarLongitude::ofJulianDay(t) - reference, 360.0) / DegreesPerDay;
    return QDate::fromJulianDay(qint64(std::floor(t + 0.5))).year();
}

Collected collect(const GridModel &grid, const Window &w, const std::vector<Column> &columns)
{
    return collect(std::span<const GridRow>(grid.rows()), w, columns);
}

Collected collect(std::span<const GridRow> table, const Window &w,
                  const std::vector<Column> &columns)
{
    Collected out;
    // Datasets by (column index, season), in the order of the columns and
    // then of the seasons.
    std::map<std::pair<size_t, int>, Dataset> sets;
    QString lastText;
    std::optional<QDate> lastDate;
    const int rows = int(table.size()) + 1;
    unsigned polled = 0;
    for (int r = 1; r < rows; ++r) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped job stops
        const GridRow &row = table[size_t(r - 1)];
        const QStringView dateText = row.cellView(0);
        if (r == 1 || dateText != lastText) {
            lastText = dateText.toString();
            lastDate = DateConv::fromText(lastText.trimmed());
        }
        const bool marked = HourMarks::isMark(row.cellView(HourMarks::Column));
        int hour = -1;
        if (!lastDate || !Convert::tryStrToInt(row.cell(1), &hour) || hour < 0 || hour > 23) {
            if (marked)
                continue; // left out whole, as a row that is not there
            // A row without a time cannot be placed; a row with nothing in
            // it (the empty last row of a new table) is no observation.
            bool empty = true;
            for (int c = 0; c < GridModel::Columns && empty; ++c)
                empty = row.cellView(c).isEmpty();
            if (!empty)
                ++out.rowsWithoutTime;
            continue;
        }
        const double jd = SolarLongitude::julianDay(*lastDate, hour);
        const double t = onAxis(w, SolarLongitude::ofJulianDay(jd + 0.5 / 24));
        if (std::isnan(t))
            continue;
        if (marked) {
            ++out.markedRows;
            continue;
        }
        int season = 0;
        bool seasonKnown = false;
        for (size_t c = 0; c < columns.size(); ++c) {
            const QString count = row.cell(columns[c].column);
            if (count.trimmed().isEmpty()) {
                ++out.emptyCells;
                continue;
            }
            int value = 0;
            if (!Convert::tryStrToInt(count, &value))
                throw ETableCellError(EConvertError::notInteger(count).text(), columns[c].column,
                                      r);
            if (!seasonKnown) {
                season = seasonYear(w, jd);
                seasonKnown = true;
            }
            Dataset &d = sets[{c, season}];
            if (d.tableRow.empty()) {
                d.column = columns[c];
                d.year = season;
                d.firstDate = *lastDate;
            }
            d.firstDate = std::min(d.firstDate, *lastDate);
            d.series.t.push_back(t);
            d.series.hour.push_back(hour);
            d.series.y.push_back(value);
            d.day.push_back(int(lastDate->toJulianDay() - 2400000));
            d.tableRow.push_back(r);
            d.hourJd.push_back(jd);
        }
    }
    for (auto &[key, d] : sets) {
        if (int(d.size()) < LeastRows) {
            out.leftOut << QStringLiteral("%1 %2: %3 rows, fewer than %4")
                               .arg(d.column.name)
                               .arg(d.year)
                               .arg(d.size())
                               .arg(LeastRows);
            continue;
        }
        const int first = int(d.firstDate.toJulianDay() - 2400000);
        for (int &day : d.day)
            day -= first;
        out.datasets.push_back(std::move(d));
    }
    return out;
}

void applyObservability(Dataset &dataset, const ShowerList::Track &radiant)
{
    const Station &s = dataset.column.station;
    dataset.series.visibility.assign(dataset.size(), 0.0);
    for (size_t j = 0; j < dataset.size(); ++j) {
        const ShowerList::Radiant r = ShowerList::radiantAt(radiant, dataset.series.t[j]);
        dataset.series.visibility[j] =
            Observability::ofHour(dataset.hourJd[j], s.latitude, s.longitude, r.ra, r.dec);
    }
}

} // namespace ShowerSeasons
