// The way of a Run from the table to its record.
#include "RunPipeline.h"

#include "app/Convert.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <algorithm>

RowSelection selectRows(const GridModel &grid, const QString &startText, const QString &endText)
{
    RowSelection s;
    const int rows = grid.rowCountWithHeader();
    for (int r = 1; r < rows; ++r) {
        if (grid.cellView(0, r) == startText) {
            s.FirstRow = r;
            break;
        }
    }
    for (int r = rows - 1; r >= 1; --r) {
        if (grid.cellView(0, r) == endText) {
            s.LastRow = r;
            break;
        }
    }
    return s;
}

Peak readRows(const GridModel &grid, const RowSelection &selection, int column,
              std::vector<TRadData> &DataRows)
{
    DataRows.assign(static_cast<size_t>(selection.count()), TRadData());
    for (int r = selection.FirstRow; r <= selection.LastRow; ++r) {
        TRadData &row = DataRows[static_cast<size_t>(r - selection.FirstRow)];
        row.Date = grid.cell(0, r);
        if (HourMarks::isMarked(grid, r))
            continue; // left out below; its cells need not be counts
        const QString hour = grid.cell(1, r);
        try {
            row.Hour = Convert::StrToInt(hour);
        } catch (const EConvertError &e) {
            throw ETableCellError(e.text(), 1, r);
        }
        if (row.Hour < 0 || row.Hour > 23)
            throw ETableCellError(QStringLiteral("'%1' is not a valid hour of day").arg(hour), 1,
                                  r);
        const QString count = grid.cell(column, r);
        try {
            row.Value = count.isEmpty() ? 0.0 : static_cast<double>(Convert::StrToInt(count));
        } catch (const EConvertError &e) {
            throw ETableCellError(e.text(), column, r);
        }
    }
    // Marked hours are left out: a marked row is no row of the fit, as an
    // hour without a row is none. A table without marks reads as before.
    bool marked = false;
    for (int r = selection.FirstRow; r <= selection.LastRow && !marked; ++r)
        marked = HourMarks::isMarked(grid, r);
    if (marked) {
        size_t kept = 0;
        for (int r = selection.FirstRow; r <= selection.LastRow; ++r)
            if (!HourMarks::isMarked(grid, r))
                DataRows[kept++] = std::move(DataRows[size_t(r - selection.FirstRow)]);
        DataRows.resize(kept);
        if (DataRows.empty())
            throw EConvertError(QStringLiteral("every hour of the dates is marked as disturbed"));
    }
    return findPeak(DataRows);
}

namespace RunPipeline {

std::optional<Rows> read(const GridModel &grid, const QString &startText, const QString &endText,
                         int column)
{
    Rows rows;
    rows.selection = selectRows(grid, startText, endText);
    if (!rows.selection.valid())
        return std::nullopt;
    rows.peak = readRows(grid, rows.selection, column, rows.DataRows);
    return rows;
}

RunRecord fit(Rows rows, const ModelParams &params)
{
    RunRecord run;
    run.DataRows = std::move(rows.DataRows);
    run.params = params;
    run.peak = rows.peak;
    HourBins bins;
    run.dO = fitModel(run.DataRows, run.ModelRows, params, bins);
    return run;
}

int peakPosition(const Peak &peak)
{
    return std::max(peak.PeakOffset, 1);
}

int searchedPosition(int bestPosition, int rowCount)
{
    return std::max(std::min(bestPosition, rowCount - 1), 1);
}

bool searchFitsPositionControl(const Peak &peak, int rowCount)
{
    return searchedPosition(peak.PeakOffset + 5, rowCount) <= MaxPosition;
}

} // namespace RunPipeline
