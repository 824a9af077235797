// The colorgramme: a table's counts as days by hours of UT, each hour a cell
// coloured by its count, as observers' networks show a station's record.
#pragma once

#include <QColor>
#include <QDate>
#include <QImage>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class GridModel;
class QPainter;

namespace Colorgramme {

// The longest span drawn, about a century of days; a table whose dates
// spread further (a mistyped year) is shown as too long to draw.
inline constexpr int MaxDays = 36600;

struct Data {
    QDate first;                // the first day of the table
    int days = 0;               // from the first day to the last, both in
    std::vector<int> counts;    // days * 24, day by day; -1 for no count
    std::vector<int> rows;      // the table row (from 1) of each cell, 0 for none
    int maximum = 0;            // the largest count, the top of the scale
    qsizetype countedHours = 0; // cells with a count
    // Hours marked as disturbed (days * 24, 1 for marked; empty when the
    // table has none): shown apart, their counts left out of the scale.
    std::vector<unsigned char> marked;
    qsizetype markedHours = 0;
    bool isMarked(int i) const { return !marked.empty() && marked[size_t(i)] != 0; }
    bool tooLong = false; // the dates span more than MaxDays

    int index(int day, int hour) const { return day * 24 + hour; }
};

// The counts of a table column (2 for Sum, 3 to 12 for N1 to N10). Rows
// without a valid date and hour, or without a whole number in the column,
// leave their hour empty; of two rows for one hour the first is shown.
Data collect(const GridModel &grid, int column);

// The colour of a count on the scale from 0 to maximum, and of a missing hour.
QColor colorOf(int count, int maximum);
QColor missingColor();
QColor markedColor();

// The words a picture carries, in the program's language.
struct Texts {
    QString title;   // e.g. the column and the date range
    QString hours;   // the hour axis, "Hour (UT)"
    QString missing; // the legend's entry for hours without a count
    QString empty;   // shown when there is nothing to draw
    QString marked;  // the legend's entry for hours marked as disturbed
};

// The words of a picture from the language's patterns: the title's "%1,
// %2 to %3" gets the column and the first and last day, the text for a
// table without counts "%1" the column, the one for too long a span "%1" its
// days.
struct Patterns {
    QString title, hours, missing, noCounts, tooLong;
    QString marked = QStringLiteral("marked");
};
Texts textsFor(const Data &data, const QString &column, const Patterns &patterns);

// Where a picture of the given size puts things.
struct Layout {
    QRect plot;   // the cells
    QRect legend; // the colour scale
    int days = 0;
};
Layout layoutFor(const Data &data, const QSize &size);

// The cell under a point of a picture: day from 0 and hour, if any.
struct Cell {
    int day;
    int hour;
};
std::optional<Cell> cellAt(const Layout &layout, const QPointF &point);

// Draws the colorgramme into a rectangle of size at (0, 0) of the painter.
Layout draw(QPainter &painter, const Data &data, const QSize &size, const Texts &texts);

// The picture as a white-backed image of the given size.
QImage render(const Data &data, const QSize &size, const Texts &texts);

// Saves the picture as PNG through the program's one writer of files;
// EInOutError on failure.
void savePng(const Data &data, const QSize &size, const Texts &texts, const QString &path);

} // namespace Colorgramme
