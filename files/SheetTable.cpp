// The observation table in a sheet.
#include "SheetTable.h"

#include "app/Progress.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QDir>

namespace SheetTable {

std::vector<GridRow> read(const Worksheet &sheet)
{
    int i = 2;
    while (!sheet.Cells(i, 1).isEmpty())
        ++i;
    const int rows = i >= 3 ? i - 2 : 1;
    std::vector<GridRow> out(static_cast<size_t>(rows));
    for (int r = 1; r <= rows; ++r)
        for (int c = 0; c <= 12; ++c)
            out[static_cast<size_t>(r - 1)].setCell(c, sheet.Cells(r + 1, c + 1));
    // Column 14 holds the marks of marked hours; any other text there (a
    // sheet of another program) is not taken for one.
    for (int r = 1; r <= rows; ++r)
        if (const QString mark = sheet.Cells(r + 1, HourMarks::Column + 1); HourMarks::isMark(mark))
            out[static_cast<size_t>(r - 1)].setCell(HourMarks::Column, mark.trimmed());
    return out;
}

void write(const GridModel &grid, Worksheet &sheet)
{
    sheet.setCells(1, 1, QStringLiteral("Date"));
    sheet.setCells(1, 2, QStringLiteral("Hour"));
    sheet.setCells(1, 3, QStringLiteral("Sum"));
    for (int n = 1; n <= 10; ++n)
        sheet.setCells(1, n + 3, QStringLiteral("N%1").arg(n));
    unsigned polled = 0;
    for (int r = 1; r < grid.rowCountWithHeader(); ++r) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped save stops
        for (int c = 0; c <= 12; ++c)
            sheet.setCells(r + 1, c + 1, grid.cell(c, r));
    }
    // The marks, only when the table has any: a table without marks gives
    // the same sheet as ever.
    bool header = false;
    for (int r = 1; r < grid.rowCountWithHeader(); ++r)
        if (HourMarks::isMarked(grid, r)) {
            if (!header)
                sheet.setCells(1, HourMarks::Column + 1, QStringLiteral("Mark"));
            header = true;
            sheet.setCells(r + 1, HourMarks::Column + 1,
                           grid.cellView(HourMarks::Column, r).trimmed().toString());
        }
}

std::vector<GridRow> load(const QString &path)
{
    WorkbookApplication excel;
    excel.setVisible(false);
    excel.workbooks().Add(path);
    std::vector<GridRow> rows = read(excel.ActiveWorkbook().ActiveSheet());
    excel.Quit();
    return rows;
}

void checkSavable(const GridModel &grid, const QString &path)
{
    const auto refuse = [&](const QString &why) {
        throw EWorkbookError(
            QStringLiteral("\"%1\" cannot be saved: %2").arg(QDir::toNativeSeparators(path), why));
    };
    // A sheet has the header in row 1 and so one row fewer for the table.
    const qint64 rows = grid.rowCountWithHeader() - 1;
    if (rows > Worksheet::MaxRows - 1)
        refuse(QStringLiteral("the table has %1 rows; a workbook holds at most %2 below its "
                              "header (save it as text instead)")
                   .arg(rows)
                   .arg(Worksheet::MaxRows - 1));
    size_t cells = 13; // the header
    for (int r = 1; r < grid.rowCountWithHeader(); ++r)
        for (int c = 0; c <= 12; ++c) {
            const qsizetype length = grid.cellView(c, r).size();
            if (length > Worksheet::MaxCellText)
                refuse(QStringLiteral("the cell in row %1, column %2 holds %3 characters; a "
                                      "workbook cell the program reads holds at most %4")
                           .arg(r)
                           .arg(c + 1)
                           .arg(length)
                           .arg(Worksheet::MaxCellText));
            cells += length > 0 ? 1 : 0;
        }
    for (int r = 1; r < grid.rowCountWithHeader(); ++r)
        cells += HourMarks::isMarked(grid, r) ? 1 : 0;
    if (cells > Worksheet::MaxCells)
        refuse(QStringLiteral("the table has %1 cells that are not empty; a workbook the "
                              "program reads holds at most %2 (save it as text instead)")
                   .arg(cells)
                   .arg(Worksheet::MaxCells));
}

void save(const GridModel &grid, const QString &path)
{
    checkSavable(grid, path);
    WorkbookApplication excel;
    excel.setVisible(true);
    excel.workbooks().Add();
    write(grid, excel.ActiveWorkbook().ActiveSheet());
    excel.ActiveWorkbook().SaveAs(path);
    excel.Quit();
}

} // namespace SheetTable
