// A fit in observers' terms: when the maximum was, in solar longitude, its
// shape in hours, and how sure the search is.
#pragma once

#include "ActivityModel.h"
#include "Bootstrap.h"
#include "PositionProfile.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace FitReport {

// The time of a row: its date (as the table's date format reads it) and
// hour as UT, and the Sun's longitude then; nothing for an offset outside
// the rows or a date that does not read.
struct RowTime {
    QString date; // the table's own text
    int hour = 0;
    double solarLongitude = std::nan("");
    bool valid = false;
};
RowTime timeOfRow(const std::vector<TRadData> &DataRows, int offset);

// Hours between the first and the last row that no row holds (rows whose
// date does not read are passed over).
qint64 missingHours(const std::vector<TRadData> &DataRows);
// Rows whose date does not read.
qint64 unreadableDates(const std::vector<TRadData> &DataRows);

struct Shape {
    double rise = 0, decay = 0; // e-folding lengths in rows: a and b
    double fwhm = 0;            // (a + b) ln 2 rows
};
Shape shapeOf(const ModelParams &params);

// The bootstrap's intervals of a, b, P and of the maximum's time.
struct Intervals {
    Bootstrap::Interval a, b, position, solarLongitude;
    RowTime positionLo, positionHi; // the rows at the position's ends
    int level = 0;                  // 68 or 95
};
Intervals intervals(const Bootstrap::Result &result, const std::vector<TRadData> &DataRows,
                    double level);

// Everything the report tab shows, for its text file.
struct Report {
    QString source, column, from, to;
    ModelParams params;
    double dO = 0;
    int peakOffset = 0; // the centre of Auto Calc's window
    RowTime peak;
    Shape shape;
    qint64 missing = 0;
    // Rows whose Date text does not read as a date: Run takes them as they
    // stand, but they have no time (no λ☉, no place among the hours).
    qint64 unreadableDates = 0;
    std::optional<Bootstrap::Result> bootstrap;
    std::optional<PositionProfile::Profile> profile;
};
Report make(const std::vector<TRadData> &DataRows, const ModelParams &params, double dO);

// The numbers as "name value" lines, the names vexlor-fit prints: the
// maximum's time and shape, the bootstrap's intervals, the profile's best.
QStringList peakLines(const Report &report);
QStringList bootstrapLines(const Bootstrap::Result &result, const std::vector<TRadData> &DataRows);
QStringList profileLines(const PositionProfile::Profile &profile, int peakOffset);
// Where the rows came from: source, column, range (those known) and rows.
QStringList sourceLines(const Report &report, size_t rows);
// All of them, after the fit's own figures, for the report's text file.
QString text(const Report &report, const std::vector<TRadData> &DataRows);
// The same as CSV: a header "name,value,value2", then one line of three
// fields for each line of text() (the empty ones at the end), the source
// file's name, the column and the dates as one text field each whatever
// blanks or commas they hold (RunCsv::textField).
QByteArray csv(const Report &report, const std::vector<TRadData> &DataRows);

// The same for any report lines after the source: the source, column and
// range of `source` (those known) and the rows, then one line of three
// fields per line of `lines`, its name and its value; the ends of an
// interval (names ending in _ci68 and _ci95) are two values, any other value
// is one field, words and all.
QByteArray csv(const Report &source, size_t rows, const QStringList &lines);

// The position profile as CSV: position,a,b,dO (gaps left out), dO with
// 17 significant digits; the landscape as a,b,dO.
QByteArray profileCsv(const PositionProfile::Profile &profile);
QByteArray landscapeCsv(const PositionProfile::Landscape &landscape);

} // namespace FitReport
