// A block of cells from the clipboard, checked by the table's column rules.
#pragma once

#include "GridRow.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

class GridModel;

namespace PasteBlock {

// Tab-separated lines, as spreadsheets copy cells: one row per line (a last
// line end adds no row), CR LF or LF.
std::vector<QStringList> parse(const QString &text);
// The same layout from cells, for copying.
QString format(const std::vector<QStringList> &rows);

// The first cell a column's rule refuses: Date a date in the program's date
// format, Hour a whole number 0 to 23, the counts whole numbers 0 or more;
// any may be empty. No cell may land in the filler column (col >= 13).
struct Problem {
    enum class Reason { NoColumn, NotDate, NotHour, NotCount };
    int row = 0; // table row, from 1
    int col = 0; // table column, from 0
    QString text;
    Reason reason = Reason::NoColumn;
};
std::optional<Problem> check(const std::vector<QStringList> &rows, int topRow, int leftCol);

// The rows a block of text makes: one per line, a last line end adding none.
qint64 lineCount(QStringView text);

// The table's rows from topRow on (below: as many of them as the block has
// lines, fewer at the table's end) with the block of text laid over them
// from leftCol, checked cell by cell as check() does: out gets one row per
// line of the block (the table's row where there is one, an empty row
// past its end) and nothing is returned, or the first problem. The lines
// are read in place, without a list of cells per line, and the row cap is
// checked before any row is made, so a paste costs about what opening the
// same rows costs. It reads no table, so it can run as a job on a copy of
// those rows; a dropped job stops it. Throws VexlorError when the table
// would pass its cap.
std::optional<Problem> overlay(QStringView text, int topRow, int leftCol,
                               std::span<const GridRow> below, std::vector<GridRow> &out);
// The same over the grid's own rows.
std::optional<Problem> overlay(QStringView text, int topRow, int leftCol, const GridModel &grid,
                               std::vector<GridRow> &out);

} // namespace PasteBlock
