// Run over ten years of hourly rows, including the chart update, offscreen.
#include "BenchWindow.h"
#include "analysis/gui/ChartNavigator.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QApplication>
#include <QChartView>
#include <QDateEdit>
#include <QLabel>
#include <QRandomGenerator>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <vector>

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    const int rows = 87600;

    BenchDialogs dialogs;
    TfrmMain w(dialogs, QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    BenchWindow b(w);
    w.show();

    const std::vector<GridRow> table = syntheticHours(rows);
    const QDate first = SyntheticFirstDay;
    b.strGrid->replaceRows(table);
    b.dtp1->setDate(first);
    b.dtp2->setDate(first.addDays(rows / 24 - 1));
    app.processEvents();

    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        b.PageControl1->setCurrentIndex(0);
        QElapsedTimer t;
        t.start();
        b.tbRun->trigger();
        const double handler = t.nsecsElapsed() / 1e9;
        app.processEvents(); // the chart draws
        times.push_back(t.nsecsElapsed() / 1e9);
        if (i == 0)
            report("first_run_handler_s", handler);
    }
    std::sort(times.begin(), times.end());
    report("rows", rows);
    report("run_with_chart_median_s", times[times.size() / 2]);
    report("run_with_chart_max_s", times.back());
    // A zoom or pan step of the chart, drawn: in around the middle, then
    // panned, each followed by a repaint of the view.
    std::vector<double> steps;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        if (i < 10)
            b.Navigator->zoomAt(rows / 2.0, 0.7);
        else
            b.Navigator->pan(i % 2 ? 50 : -50);
        b.Chart1View->viewport()->repaint();
        steps.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(steps.begin(), steps.end());
    report("zoom_or_pan_step_median_s", steps[steps.size() / 2]);
    report("zoom_or_pan_step_max_s", steps.back());
    report("rss_mb", residentMegabytes());
    report("errors", dialogs.errors.size());
    std::printf("dO %s\n", b.lZdO->text().toUtf8().constData());
    return 0;
}
