// How long the window's thread is held by the long pieces of work a user
// starts: the REPORT page first shown after a Run over ten years of hours,
// the first Run after a cancelled bootstrap, the wait at closing during a
// bootstrap, ten Open (XLS) cancelled at once, and a paste of many rows
// against opening the same rows. One case per process, so that its memory
// is its own:
//   bench_guiblock report | rerun | close | xls | xls-old | paste ROWS |
//                  paste-old ROWS | open ROWS
// The "-old" cases, and report_landscape_on_gui_thread_s, do the work the
// way the window did it before it left the window's thread: the figures to
// compare against.
#include "BenchWindow.h"
#include "analysis/PositionProfile.h"
#include "analysis/gui/ReportView.h"
#include "app/Job.h"
#include "app/gui/TfrmMain.h"
#include "files/SheetTable.h"
#include "files/TableFiles.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"
#include "table/PasteBlock.h"
#include "table/TableHistory.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QApplication>
#include <QDateEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Rows of hours from 2000-01-01: a daily sporadic wave and a yearly shower.
std::vector<GridRow> hours(int rows)
{
    std::vector<GridRow> table = syntheticHours(rows);
    for (int j = 0; j < rows; ++j)
        table[static_cast<size_t>(j)].setCell(3, QString::number(j % 7));
    return table;
}

// The longest time between two turns of the event loop while events are
// processed for `ms` milliseconds: what a user waits for the window.
double longestBlockWhileProcessing(QApplication &app, int ms)
{
    QElapsedTimer clock, since;
    clock.start();
    since.start();
    double longest = 0;
    while (clock.elapsed() < ms) {
        app.processEvents(QEventLoop::AllEvents, 5);
        longest = std::max(longest, since.nsecsElapsed() / 1e9);
        since.restart();
        QThread::msleep(1);
    }
    return longest;
}

void selectAll(BenchWindow &b, int rows)
{
    b.dtp1->setDate(QDate(2000, 1, 1));
    b.dtp2->setDate(QDate(2000, 1, 1).addDays(rows / 24 - 1));
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("report");
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int tenYears = 87600;

    BenchDialogs dialogs;
    auto w = std::make_unique<TfrmMain>(dialogs, QCoreApplication::applicationDirPath() +
                                                     QStringLiteral("/.."));
    BenchWindow b(*w);
    w->resize(1000, 700);
    w->show();
    app.processEvents();
    QElapsedTimer t;

    if (which == QLatin1String("report") || which == QLatin1String("rerun") ||
        which == QLatin1String("close")) {
        b.strGrid->replaceRows(hours(tenYears));
        selectAll(b, tenYears);
        b.PageControl1->setCurrentIndex(1);
        b.tbRun->trigger(); // on the GRAPH page: the position as it stands
        app.processEvents();
        if (which == QLatin1String("report")) {
            // The page shown and painted: the paint event is what blocked.
            t.start();
            b.PageControl1->setCurrentIndex(3);
            b.tsReport->repaint();
            report("report_first_show_block_s", t.nsecsElapsed() / 1e9);
            report("report_after_show_longest_block_s", longestBlockWhileProcessing(app, 2000));
            // What the paint event used to compute before it drew.
            t.restart();
            const PositionProfile::Landscape l =
                PositionProfile::landscape(b.tsReport->rows(), b.tsReport->report().params.P);
            report("report_landscape_on_gui_thread_s", t.nsecsElapsed() / 1e9);
            report("report_landscape_valid", l.valid());
        } else {
            b.PageControl1->setCurrentIndex(3);
            app.processEvents();
            b.tsReport->startBootstrap();
            longestBlockWhileProcessing(app, 1500);
            if (which == QLatin1String("rerun")) {
                b.tsReport->cancelJob();
                app.processEvents();
                t.start();
                b.PageControl1->setCurrentIndex(1);
                b.tbRun->trigger();
                report("run_after_cancel_block_s", t.nsecsElapsed() / 1e9);
                report("run_after_cancel_longest_block_s", longestBlockWhileProcessing(app, 1000));
            } else {
                // Closing: the window goes, then the process waits for the
                // job threads once, as the application object does.
                t.start();
                w->close();
                w.reset();
                report("close_window_s", t.nsecsElapsed() / 1e9);
                JobThreads::waitForAll();
                report("close_until_jobs_end_s", t.nsecsElapsed() / 1e9);
            }
        }
    } else if (which == QLatin1String("xls") || which == QLatin1String("xls-old")) {
        // A workbook of 300 000 rows, read ten times and cancelled each time
        // after 50 ms.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.xlsx"));
        {
            GridModel grid;
            grid.replaceRows(hours(300000));
            WorkbookApplication excel;
            excel.workbooks().Add();
            SheetTable::write(grid, excel.ActiveWorkbook().ActiveSheet());
            excel.ActiveWorkbook().SaveAs(path);
        }
        report("xls_rss_before_mb", residentMegabytes());
        if (which == QLatin1String("xls-old")) {
            // A cancelled read went on to its end: ten whole reads at once.
            t.start();
            std::vector<std::thread> reads;
            for (int i = 0; i < 10; ++i)
                reads.emplace_back([&path] { TableFiles::readWorkbook(path); });
            for (std::thread &r : reads)
                r.join();
            report("xls_old_reads_end_after_s", t.nsecsElapsed() / 1e9);
            report("xls_old_peak_rss_mb", peakResidentMegabytes());
            return 0;
        }
        dialogs.cancelWaitsAfterMs = 50;
        t.start();
        for (int i = 0; i < 10; ++i) {
            dialogs.openAnswers.push_back(path);
            b.tbOpnXls->trigger();
        }
        report("xls_ten_cancelled_opens_s", t.nsecsElapsed() / 1e9);
        t.restart();
        JobThreads::waitForAll();
        report("xls_cancelled_reads_end_after_s", t.nsecsElapsed() / 1e9);
        report("xls_peak_rss_mb", peakResidentMegabytes());
    } else if (which == QLatin1String("paste") || which == QLatin1String("open") ||
               which == QLatin1String("paste-old")) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rows.txt"));
        QString block;
        {
            GridModel grid;
            grid.replaceRows(hours(count));
            TextFormat::save(grid, path);
            for (const GridRow &row : grid.rows()) {
                for (int c = 0; c < 13; ++c) {
                    block += row.cellView(c);
                    block += c < 12 ? u'\t' : u'\n';
                }
            }
        }
        const double before = peakResidentMegabytes();
        report("rows", count);
        t.start();
        if (which == QLatin1String("paste")) {
            b.tbOpnTxt->setEnabled(true);
            b.strGrid->setEditing(true);
            b.strGrid->setCol(0);
            b.strGrid->setRow(1);
            b.Table->pasteText(block);
            report("paste_s", t.nsecsElapsed() / 1e9);
            report("paste_window_held_s", t.nsecsElapsed() / 1e9 - dialogs.waitedSeconds);
        } else if (which == QLatin1String("paste-old")) {
            // A list of cells per line, checked, then set one cell at a time
            // inside one step of the history.
            b.strGrid->setEditing(true);
            const std::vector<QStringList> rows = PasteBlock::parse(block);
            const bool refused = PasteBlock::check(rows, 1, 0).has_value();
            b.Table->history().beginStep(QStringLiteral("Paste"));
            b.strGrid->setRowCountWithHeader(int(rows.size()) + 1);
            for (size_t r = 0; r < rows.size(); ++r)
                for (qsizetype c = 0; c < rows[r].size(); ++c)
                    b.strGrid->setCell(int(c), int(r) + 1, rows[r][c]);
            b.Table->history().endStep();
            report("paste_old_s", t.nsecsElapsed() / 1e9);
            report("paste_old_refused", refused);
        } else {
            dialogs.openAnswers.push_back(path);
            b.tbOpnTxt->trigger();
            report("open_s", t.nsecsElapsed() / 1e9);
            report("open_window_held_s", t.nsecsElapsed() / 1e9 - dialogs.waitedSeconds);
        }
        report("table_rows", b.strGrid->rowCountWithHeader() - 1);
        report("peak_rss_before_mb", before);
        report("peak_rss_mb", peakResidentMegabytes());
    }
    report("errors", dialogs.errors.size());
    for (const QString &e : dialogs.errors)
        std::printf("error %s\n", e.toUtf8().constData());
    return 0;
}
