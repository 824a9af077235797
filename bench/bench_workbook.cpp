// The workbook component: saving and reading a table of 100 000 rows, and
// reading an ods sheet of a million repeated empty rows.
#include "BenchSupport.h"
#include "BenchZip.h"
#include "app/DateConv.h"
#include "files/SheetTable.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    QTemporaryDir dir;
    const int rows = 100000;

    GridModel grid;
    grid.setRowCountWithHeader(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        grid.setCell(
            0, r, QDate(2000, 1, 1).addDays((r - 1) / 24).toString(QStringLiteral("dd.MM.yyyy")));
        grid.setCell(1, r, QString::number((r - 1) % 24));
        grid.setCell(2, r, QString::number(100 + r % 37));
        grid.setCell(3, r, QString::number(r % 11));
    }
    const QString path = dir.filePath(QStringLiteral("big.xlsx"));
    QElapsedTimer t;
    t.start();
    {
        WorkbookApplication excel;
        excel.workbooks().Add();
        SheetTable::write(grid, excel.ActiveWorkbook().ActiveSheet());
        excel.ActiveWorkbook().SaveAs(path);
    }
    report("save_100000_rows_s", t.nsecsElapsed() / 1e9);
    t.restart();
    size_t loaded = 0;
    {
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        loaded = SheetTable::read(excel.ActiveWorkbook().ActiveSheet()).size();
    }
    report("open_100000_rows_s", t.nsecsElapsed() / 1e9);
    report("rows_loaded", static_cast<double>(loaded));
    report("rss_mb", residentMegabytes());

    // An ods sheet whose data ends in a million repeated empty rows.
    const QString ods = dir.filePath(QStringLiteral("repeated.ods"));
    writeOds(ods,
             "<?xml version=\"1.0\"?><office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:"
             "spreadsheet>"
             "<table:table><table:table-row><table:table-cell "
             "office:value-type=\"string\"><text:p>Date</text:p>"
             "</table:table-cell></table:table-row><table:table-row "
             "table:number-rows-repeated=\"1048575\">"
             "<table:table-cell "
             "table:number-columns-repeated=\"16384\"/></table:table-row></table:table>"
             "</office:spreadsheet></office:body></office:document-content>");
    t.restart();
    {
        WorkbookApplication excel;
        excel.workbooks().Add(ods);
        SheetTable::read(excel.ActiveWorkbook().ActiveSheet());
    }
    report("open_repeated_rows_ods_s", t.nsecsElapsed() / 1e9);
    return 0;
}
