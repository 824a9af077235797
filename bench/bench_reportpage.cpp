// The REPORT page over ten years of hours (87 600 rows), offscreen: how
// long the window is held by a Run, by the page's first show and while the
// report's own fit and the landscape run off its thread; how long the fit
// takes; how soon a cancelled day-block bootstrap ends; a Run right after a
// Cancel; and closing the window while the bootstrap runs.
#include "BenchWindow.h"
#include "analysis/gui/ReportView.h"
#include "app/Job.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Pumps the window's events until done() (or the limit), and gives the
// longest time one round of events took: how long the window was held.
double longestStall(QApplication &app, const std::function<bool()> &done, double limitSeconds)
{
    QElapsedTimer total, round;
    total.start();
    double longest = 0;
    while (!done() && total.nsecsElapsed() / 1e9 < limitSeconds) {
        round.start();
        app.processEvents();
        longest = std::max(longest, round.nsecsElapsed() / 1e9);
        QThread::msleep(5);
    }
    return longest;
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    const int rows = 87600;

    BenchDialogs dialogs;
    auto w = std::make_unique<TfrmMain>(dialogs, QCoreApplication::applicationDirPath() +
                                                     QStringLiteral("/.."));
    BenchWindow b(*w);
    ReportView *page = b.tsReport;
    w->show();

    const std::vector<GridRow> table = syntheticHours(rows);
    const QDate first = SyntheticFirstDay;
    b.strGrid->replaceRows(table);
    b.dtp1->setDate(first);
    b.dtp2->setDate(first.addDays(rows / 24 - 1));
    app.processEvents();
    report("rows", rows);
    report("resident_mb_before", residentMegabytes());

    // Run: the handler, then the page shown while its jobs run.
    QElapsedTimer t;
    t.start();
    b.tbRun->trigger();
    report("run_handler_s", t.nsecsElapsed() / 1e9);
    t.start();
    app.processEvents(); // the chart draws its 87 600 points
    report("chart_draw_s", t.nsecsElapsed() / 1e9);
    t.start();
    b.PageControl1->setCurrentWidget(page);
    app.processEvents();
    report("report_page_first_show_s", t.nsecsElapsed() / 1e9);
    t.start();
    double peak = residentMegabytes();
    const double stall = longestStall(
        app,
        [&] {
            peak = std::max(peak, residentMegabytes());
            return !page->busy();
        },
        600);
    report("fit_and_landscape_s", t.nsecsElapsed() / 1e9);
    report("longest_window_stall_while_they_run_s", stall);
    report("resident_mb_peak_while_they_run", peak);
    report("fit_valid", page->wholeRange() && page->wholeRange()->valid ? 1 : 0);
    if (page->wholeRange() && page->wholeRange()->valid)
        report("fit_position_hours", page->wholeRange()->position);

    // The report's own fit cancelled two seconds into a Run: until it has
    // ended and the page says so; the next Run fits again.
    b.tbRun->trigger();
    longestStall(
        app, [] { return false; }, 2);
    t.start();
    page->cancelButton->click();
    longestStall(
        app, [&] { return !page->busy(); }, 60);
    report("fit_cancel_to_end_s", t.nsecsElapsed() / 1e9);
    report("fit_cancelled", page->wholeRange() ? 0 : 1);
    b.tbRun->trigger();
    longestStall(
        app, [&] { return !page->busy(); }, 600);

    // The day-block bootstrap cancelled after half a second: until it has
    // ended and its result is shown.
    const auto startBootstrap = [&] {
        page->replicates->setValue(200);
        page->bootstrapButton->click();
        longestStall(
            app, [] { return false; }, 0.5);
    };
    startBootstrap();
    t.start();
    page->cancelButton->click();
    longestStall(
        app, [&] { return !page->busy(); }, 60);
    report("bootstrap_cancel_to_end_s", t.nsecsElapsed() / 1e9);
    report("bootstrap_cancelled", page->dayBootstrap() && page->dayBootstrap()->cancelled ? 1 : 0);

    // Cancel, then Run at once: the Run does not wait for the bootstrap.
    startBootstrap();
    page->cancelButton->click();
    t.start();
    b.tbRun->trigger();
    report("run_right_after_cancel_handler_s", t.nsecsElapsed() / 1e9);
    longestStall(
        app, [&] { return !page->busy(); }, 600);

    // Closing while the bootstrap runs: the window goes at once; the
    // process waits for the job's thread once, at its end.
    startBootstrap();
    t.start();
    w->close();
    w.reset();
    report("close_during_bootstrap_s", t.nsecsElapsed() / 1e9);
    t.start();
    JobThreads::waitForAll();
    report("job_threads_end_after_close_s", t.nsecsElapsed() / 1e9);
    return 0;
}
