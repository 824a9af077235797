// The observation table in a sheet: header row 1, one sheet row per table
// row from row 2, grid columns 0 to 12 in sheet columns 1 to 13.
#pragma once

#include "table/GridRow.h"

#include <QString>

#include <vector>

class GridModel;
class Worksheet;

namespace SheetTable {

// The table rows of a sheet: from row 2 down to the row before the first
// empty Date cell (column 1), at least one row; columns 1 to 13 as text.
std::vector<GridRow> read(const Worksheet &sheet);

// The header "Date", "Hour", "Sum", "N1" .. "N10" in row 1, then rows 1 to
// RowCount - 1 of the table, columns 0 to 12, empty rows included.
void write(const GridModel &grid, Worksheet &sheet);

// The table of the workbook file at path, as Open (XLS) reads it (the
// active sheet); throws EWorkbookError.
std::vector<GridRow> load(const QString &path);
// Writes the table as Save (XLS) does: an Office Open XML workbook under
// exactly this name; throws EWorkbookError. A table that load() would
// refuse to read back (more rows than a sheet holds below its header, more
// cells than the reader takes, a cell longer than it takes) is refused
// before anything is written, by checkSavable.
void save(const GridModel &grid, const QString &path);
void checkSavable(const GridModel &grid, const QString &path);

} // namespace SheetTable
