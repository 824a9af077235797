// The observation table in a sheet.
#include "SheetTable.h"

#include "files/workbook/Workbook.h"
#include "table/GridModel.h"

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
    return out;
}

void write(const GridModel &grid, Worksheet &sheet)
{
    sheet.setCells(1, 1, QStringLiteral("Date"));
    sheet.setCells(1, 2, QStringLiteral("Hour"));
    sheet.setCells(1, 3, QStringLiteral("Sum"));
    for (int n = 1; n <= 10; ++n)
        sheet.setCells(1, n + 3, QStringLiteral("N%1").arg(n));
    for (int r = 1; r < grid.rowCountWithHeader(); ++r)
        for (int c = 0; c <= 12; ++c)
            sheet.setCells(r + 1, c + 1, grid.cell(c, r));
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

void save(const GridModel &grid, const QString &path)
{
    WorkbookApplication excel;
    excel.setVisible(true);
    excel.workbooks().Add();
    write(grid, excel.ActiveWorkbook().ActiveSheet());
    excel.ActiveWorkbook().SaveAs(path);
    excel.Quit();
}

} // namespace SheetTable
