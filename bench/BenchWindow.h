// The window as the benchmarks drive it: a silent dialog seam, and the
// controls a user would use.
#pragma once

#include "BenchSupport.h"
#include "app/gui/Dialogs.h"
#include "app/gui/TfrmMain.h"

#include <QDate>
#include <QRandomGenerator>
#include <QThread>

#include <cmath>
#include <deque>

// Answers file dialogs from a queue and shows nothing.
class BenchDialogs : public Dialogs {
public:
    std::deque<QString> openAnswers, saveAnswers;
    int messages = 0;
    QStringList errors;
    void messageBox(QWidget *, const QString &, const QString &, int) override { ++messages; }
    void errorBox(QWidget *, const QString &text) override { errors << text; }
    std::optional<QString> openFile(QWidget *, const FileDialogState &) override
    {
        return take(openAnswers);
    }
    std::optional<QString> saveFile(QWidget *, const FileDialogState &) override
    {
        return take(saveAnswers);
    }
    QStringList openFiles(QWidget *, const FileDialogState &) override { return {}; }
    QStringList openCountFiles(QWidget *, const FileDialogState &, const QString &,
                               std::optional<int> &) override
    {
        return {};
    }
    std::optional<QString> chooseFolder(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QStringList> editFields(QWidget *, const QString &, const QStringList &,
                                          const QStringList &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
    // A wait is cancelled after this many milliseconds (never when < 0).
    int cancelWaitsAfterMs = -1;
    // The time spent in waits: the window's thread is free then (the real
    // box runs the event loop).
    double waitedSeconds = 0;
    bool waitFor(QWidget *, const QString &, const QString &,
                 const std::function<bool()> &finished) override
    {
        QElapsedTimer waited;
        waited.start();
        const auto done = [&](bool result) {
            waitedSeconds += waited.nsecsElapsed() / 1e9;
            return result;
        };
        while (!finished()) {
            if (cancelWaitsAfterMs >= 0 && waited.elapsed() >= cancelWaitsAfterMs)
                return done(false);
            QThread::msleep(1);
        }
        return done(true);
    }
    SaveChoice askToSave(QWidget *, const QString &, const QString &, const QString &,
                         const QString &, const QString &) override
    {
        return SaveChoice::Discard;
    }
    bool askToReplace(QWidget *, const QString &, const QString &, const QString &,
                      const QString &) override
    {
        return false;
    }

private:
    static std::optional<QString> take(std::deque<QString> &q)
    {
        if (q.empty())
            return std::nullopt;
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

// The controls of a window the benchmarks use; the window lets this look
// inside, as it lets its tests.
class BenchWindow {
public:
    explicit BenchWindow(TfrmMain &w)
        : strGrid(w.strGrid), PageControl1(w.PageControl1), tsColorgramme(w.tsColorgramme),
          dtp1(w.dtp1), dtp2(w.dtp2), UpA(w.UpA), lZdO(w.lZdO), tbOpnTxt(w.tbOpnTxt),
          tbSavTxt(w.tbSavTxt), tbRun(w.tbRun), tbAutoCalc(w.tbAutoCalc),
          tbSaveGraph(w.tbSaveGraph), Chart1View(w.Chart1View), Navigator(w.Navigator),
          tsReport(w.tsReport), Table(w.Table), tbOpnXls(w.tbOpnXls)
    {
    }
    StringGrid *strGrid;
    QTabWidget *PageControl1;
    ColorgrammeView *tsColorgramme;
    QDateEdit *dtp1, *dtp2;
    QSpinBox *UpA;
    QLabel *lZdO;
    QAction *tbOpnTxt, *tbSavTxt, *tbRun, *tbAutoCalc, *tbSaveGraph;
    QChartView *Chart1View;
    ChartNavigator *Navigator;
    ReportView *tsReport;
    TableEditor *Table;
    QAction *tbOpnXls;
};

// The benchmarks' table: hours from 2000-01-01 with a daily sporadic wave and
// a yearly shower in Sum, the same rows for the same count.
inline std::vector<GridRow> syntheticHours(int rows)
{
    std::vector<GridRow> table(static_cast<size_t>(rows));
    QRandomGenerator rng(1);
    const QDate first(2000, 1, 1);
    for (int j = 0; j < rows; ++j) {
        GridRow &r = table[static_cast<size_t>(j)];
        r.setCell(0, first.addDays(j / 24).toString(QStringLiteral("dd.MM.yyyy")));
        r.setCell(1, QString::number(j % 24));
        const double wave = 30 + 15 * std::cos(j % 24 * 0.2618);
        const double shower = 80 * std::exp(-std::abs(j % 8760 - 5000) / 40.0);
        r.setCell(2, QString::number(static_cast<int>(wave + shower) + rng.bounded(6)));
    }
    return table;
}

inline const QDate SyntheticFirstDay(2000, 1, 1);
