// The workbooks of the hostile-input findings, each read in a child process
// of its own so that its peak memory is its alone: the repeated-text sheets
// refused at the text cap, the largest text the cap lets through, and the
// xls whose dates would hold FreeXL for minutes.
#include "BenchSupport.h"
#include "BenchZip.h"
#include "app/DateConv.h"
#include "files/SheetTable.h"
#include "files/workbook/Workbook.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An ods whose one row of 13 cells holding a text of 100 000 characters is
// repeated rows times.
void repeatedTextOds(const QString &path, int rows)
{
    writeOds(path,
             "<?xml version=\"1.0\"?><office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
             "<office:spreadsheet><table:table><table:table-row table:number-rows-repeated=\"" +
                 QByteArray::number(rows) +
                 "\"><table:table-cell table:number-columns-repeated=\"13\" "
                 "office:value-type=\"string\"><text:p>" +
                 QByteArray(100000, 'z') +
                 "</text:p></table:table-cell></table:table-row></table:table>"
                 "</office:spreadsheet></office:body></office:document-content>");
}

// Reads the workbook's table in a child; reports its time, its peak memory
// and whether it was refused.
void measure(const char *name, const QString &path)
{
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        int refused = 0;
        try {
            WorkbookApplication excel;
            excel.workbooks().Add(path);
            SheetTable::read(excel.ActiveWorkbook().ActiveSheet());
        } catch (const EWorkbookError &) {
            refused = 1;
        }
        _exit(refused);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const QByteArray prefix(name);
    report((prefix + "_s").constData(), t.nsecsElapsed() / 1e9);
    report((prefix + "_peak_mb").constData(), usage.ru_maxrss / 1024.0);
    report((prefix + "_refused").constData(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    QTemporaryDir dir;
    const QString data = QStringLiteral(VEXLOR_SOURCE_DIR "/tests/data/");
    measure("repeated_text_xlsx", data + QStringLiteral("repeated-text.xlsx"));
    measure("repeated_text_ods", data + QStringLiteral("repeated-text.ods"));
    measure("nested_strings_xlsx", data + QStringLiteral("nested-strings.xlsx"));
    measure("slow_dates_xls", data + QStringLiteral("slow-dates.xls"));
    // 98 rows of 13 cells of 100 000 characters: just under the cap, so
    // read whole into the table, the most text a workbook can bring.
    const QString largest = dir.filePath(QStringLiteral("largest.ods"));
    repeatedTextOds(largest, 98);
    measure("largest_text_ods", largest);
    return 0;
}
