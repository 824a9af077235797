// The way of a Run from the table to its record: the rows of a date range,
// the chosen count column read from them, their peak, and the fit. The
// window's Run and Auto Calc and vexlor-fit all go this way.
#pragma once

#include "ActivityModel.h"
#include "RunRecord.h"

#include <QString>

#include <optional>
#include <vector>

class GridModel;

// The first row of the start date from the top, the last row of the end
// date from the bottom; Date texts are compared whole and exactly.
RowSelection selectRows(const GridModel &grid, const QString &startText, const QString &endText);

// A cell of the table that readRows cannot take, with where it is: the
// table row (from 1) and column; what() is the conversion's own text.
class ETableCellError : public EConvertError {
public:
    ETableCellError(const QString &text, int col, int row) : EConvertError(text), col(col), row(row)
    {
    }
    int col, row;
};

// Fills Date, Hour and Value of DataRows (resized to the selection) and
// finds the peak. An Hour cell or a non-empty count cell that is not a whole
// number throws ETableCellError "'%s' is not a valid integer value"; an
// hour outside 0 to 23 throws "'%s' is not a valid hour of day", since it
// would index outside the hour bins.
Peak readRows(const GridModel &grid, const RowSelection &selection, int column,
              std::vector<TRadData> &DataRows);

namespace RunPipeline {

// The rows of a Run as read from the table.
struct Rows {
    RowSelection selection;
    std::vector<TRadData> DataRows;
    Peak peak;
};

// The rows of the dates startText to endText (texts of the table's date
// format) with the counts of a table column; nullopt, reading nothing, when
// the dates select no rows. Throws as readRows does.
std::optional<Rows> read(const GridModel &grid, const QString &startText, const QString &endText,
                         int column);

// The fit of the rows with the parameters: the record of the Run, without
// the labels of its points, which the chart gives them.
RunRecord fit(Rows rows, const ModelParams &params);

// The largest position of the maximum the window's position control holds
// (a 16-bit up-down). A position past it would be cut, and the fit drawn
// somewhere else than the one computed, so the window refuses such a run.
constexpr int MaxPosition = 32767;

// The position a Run started on the DATA page takes: the peak's offset, at
// least 1 (the control's least position).
int peakPosition(const Peak &peak);

// The position Auto Calc's final Run takes: the best position found, cut to
// the selection's last row (offset rowCount - 1; the search may try
// positions up to five rows past it), at least 1.
int searchedPosition(int bestPosition, int rowCount);

// Whether every position the search may end at fits the position control.
bool searchFitsPositionControl(const Peak &peak, int rowCount);

} // namespace RunPipeline
