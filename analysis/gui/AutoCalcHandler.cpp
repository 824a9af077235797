// Auto Calc: search a, b and the position, then Run with the best of them.
#include "analysis/AutoSearch.h"
#include "analysis/gui/ReportView.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

namespace {

// Refuses, for as long as it lives, the commands that would start another
// run, search or file command or change the table, and gives each its
// enabled state back afterwards.
class CommandLock {
public:
    explicit CommandLock(const std::vector<QObject *> &commands)
    {
        for (QObject *command : commands) {
            if (auto *action = qobject_cast<QAction *>(command)) {
                m_actions.emplace_back(action, action->isEnabled());
                action->setEnabled(false);
            } else if (auto *widget = qobject_cast<QWidget *>(command)) {
                m_widgets.emplace_back(widget, widget->isEnabled());
                widget->setEnabled(false);
            }
        }
    }
    ~CommandLock()
    {
        for (auto &[action, enabled] : m_actions)
            action->setEnabled(enabled);
        for (auto &[widget, enabled] : m_widgets)
            widget->setEnabled(enabled);
    }

private:
    std::vector<std::pair<QAction *, bool>> m_actions;
    std::vector<std::pair<QWidget *, bool>> m_widgets;
};

} // namespace

void TfrmMain::tbAutoCalcClick()
{
    tbSaveGraph->setEnabled(false);
    const std::optional<RunPipeline::Rows> rows = readRunRows();
    if (!rows) {
        say(whyNoRows(AutoCalc1));
        return;
    }
    const Peak peak = rows->peak;
    if (!searchable(peak)) {
        // The report's own fit searches every hour: it still reports.
        tsReport->setRefused(rows->DataRows, reportSource());
        showMessage(msg(6), MB_ICONWARNING);
        return;
    }
    // Marked hours are no rows of the fit: the rows read are the ones searched.
    const int rowCount = int(rows->DataRows.size());
    // Every position the search may end at must fit the 16-bit position
    // control, or the final Run would draw the fit at a cut position.
    if (!RunPipeline::searchFitsPositionControl(peak, rowCount)) {
        showMessage(text(Text::SearchPastUpDown)
                        .arg(QLocale().toString(peak.PeakOffset),
                             QLocale().toString(RunPipeline::MaxPosition)),
                    MB_ICONWARNING);
        return;
    }

    // A close asked for while the search runs comes after it and its Run,
    // however they end.
    struct CloseAfterwards {
        TfrmMain *window;
        bool &requested;
        ~CloseAfterwards()
        {
            if (requested) {
                requested = false;
                QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
            }
        }
    } closeAfterwards{this, m_closeRequested};

    const int ProgressStep = progressStep(StatusBar1->width());
    StatusPanel0->setPanelWidth(0);
    SearchBest best;
    {
        CommandLock lock({New1,
                          OpenTXT1,
                          OpenXLS1,
                          Import1,
                          tbImport,
                          ExportNetwork1,
                          SaveTXT1,
                          SaveXLS1,
                          tbNew,
                          tbOpnTxt,
                          tbOpnXls,
                          tbSavTxt,
                          tbSavXls,
                          tbRun,
                          tbAutoCalc,
                          tbEdit,
                          tbSaveGraph,
                          strGrid,
                          sgDTPick,
                          dtp1,
                          dtp2,
                          cbDataList,
                          English1,
                          Russian1,
                          Table->undo,
                          Table->redo,
                          Table->cut,
                          Table->paste,
                          Table->insertRow,
                          Table->deleteRows,
                          Save1,
                          Recent1->menuAction()});
        // Run, Auto Calc, Save Graph and Editing in the menus follow their
        // tool buttons, locked above.
        m_searching = true;
        // The window answers while the search runs (Cancel, other pages):
        // the cursor says it is busy, not that it is blocked.
        BusyCursor busy(Qt::BusyCursor);
        try {
            // Every score is kept: the report's landscape comes out of them.
            best = autoSearch(
                rows->DataRows, peak.PeakOffset,
                [&](int) {
                    StatusPanel0->setPanelWidth(StatusPanel0->panelWidth() + ProgressStep);
                    QCoreApplication::processEvents();
                },
                0, &LastSearchScores);
            LastSearchPeakOffset = peak.PeakOffset;
        } catch (...) {
            // A zero divisor: the bar keeps the width it reached.
            m_searching = false;
            throw;
        }
        m_searching = false;
    }
    StatusPanel0->setPanelWidth(0);

    UpA->setValue(upDownPosition(best.BestA));
    UpB->setValue(upDownPosition(best.BestB));
    // The ranges a Run on the DATA page sets, so that the result is not cut
    // to the up-downs' first range (a maximum of 100).
    resetUpDown(UpMInt, rowCount - 1, RunPipeline::searchedPosition(best.BestPosition, rowCount));
    resetUpDown(UpMax, peak.PeakValue, peak.PeakValue);
    PageControl1->setCurrentIndex(1);
    struct RunAfterSearch {
        bool &flag;
        explicit RunAfterSearch(bool &f) : flag(f) { flag = true; }
        ~RunAfterSearch() { flag = false; }
    } after(m_runAfterSearch);
    tbRunClick();
    say(text(Text::StatusAutoCalc)
            .arg(UpA->value())
            .arg(UpB->value())
            .arg(UpMInt->value())
            .arg(lZdO->text()));
}
