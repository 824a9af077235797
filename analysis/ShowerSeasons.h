// A shower's counts of several years and stations on one axis, the solar
// longitude: the window of the axis, the season a row belongs to, and the
// datasets (one per count column and season) read from the table.
#pragma once

#include "ProfileFit.h"
#include "ShowerList.h"
#include "table/GridRow.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cmath>
#include <span>
#include <vector>

class GridModel;

namespace ShowerSeasons {

// A window spans more than 0 and at most this many degrees (the longest
// activity period of the list, the Southern Taurids', is 61).
inline constexpr double MaxWidth = 120;

// A window of solar longitude, degrees (equinox J2000.0). `to` lies above
// `from`: a window over 0 degrees (350 to 10) runs from 350 to 370.
struct Window {
    double from = 0, to = 0;
    double width() const { return to - from; }
    double middle() const { return from + width() / 2; }
};
// The window between two solar longitudes; `to` below `from` crosses 0
// degrees. Throws VexlorError when the numbers are no longitudes or the
// window is empty or wider than MaxWidth.
Window window(double from, double to);
// A shower's activity period as a window.
Window window(const ShowerList::Shower &shower);

// A solar longitude on the window's axis: from plus the way from `from` to
// lambda forward round the circle; NaN when that passes `to`.
double onAxis(const Window &w, double lambda);

// The year a season is named by: the year in which the Sun passes the
// window's middle during the season (the passage nearest to jd, a Julian
// day). For a middle within 1.5 degrees of the Sun's longitude at the turn
// of the year (280.2), the year in which it passes 282 degrees (about
// January 2): a season then keeps one name however the calendar falls.
// The Quadrantids of December 2024 and January 2025 are the season 2025.
int seasonYear(const Window &w, double jd);

// A count column's station: its name and, for the radiant's observability,
// its place (degrees, north and east positive; NaN where not known).
struct Station {
    QString name;
    double latitude = std::nan(""), longitude = std::nan("");
    bool located() const
    {
        return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90 &&
               std::fabs(longitude) <= 360;
    }
};

// A count column chosen for the stack.
struct Column {
    int column = 2;  // the table column: 2 Sum, 3 to 12 N1 to N10
    QString name;    // as the table's header names it
    Station station; // the station that counted it
};

// One column's rows of one season. A row's time on the axis is the solar
// longitude at the middle of its counting hour (hh:30 UT).
struct Dataset {
    Column column;
    int year = 0;
    ProfileFit::Series series;  // t: solar longitude on the window's axis; hour; count
    std::vector<int> day;       // the UT day of each row, 0 for the dataset's first
    std::vector<int> tableRow;  // the table row (from 1) of each row
    std::vector<double> hourJd; // the Julian day (UT) at which each row's hour starts
    QDate firstDate;
    size_t size() const { return series.size(); }
};

// A dataset needs at least a day's rows: fewer add a line per hour of day
// each and no shower worth the name.
inline constexpr int LeastRows = 24;

struct Collected {
    std::vector<Dataset> datasets; // by column, then by season
    int rowsWithoutTime = 0;       // rows whose date or hour does not read
    int emptyCells = 0;            // rows in the window without a count in the column
    QStringList leftOut;           // datasets with fewer than LeastRows rows, in words
    int markedRows = 0;            // rows in the window marked as disturbed, left out
};

// The rows of the table whose counting hour falls in the window, one
// dataset per column and season, rows in table order. A row marked as
// disturbed (HourMarks) is left out as if it were not there, and counted. An empty count cell
// is an hour that column did not count (one station's hours may be missing
// where another's are not): it is left out and counted, not read as 0. A
// count that is not a whole number throws ETableCellError, as Run's reading
// does.
Collected collect(const GridModel &grid, const Window &w, const std::vector<Column> &columns);
// The same over a copy of the table's data rows (row r of the table is
// table[r - 1]), for a job; a dropped job stops it.
Collected collect(std::span<const GridRow> table, const Window &w,
                  const std::vector<Column> &columns);

// Sets the visibility of every row: the observability of the radiant from
// the column's station during the row's hour (see Observability::ofHour).
void applyObservability(Dataset &dataset, const ShowerList::Track &radiant);

} // namespace ShowerSeasons
