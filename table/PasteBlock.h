// A block of cells from the clipboard, checked by the table's column rules.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

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

} // namespace PasteBlock
