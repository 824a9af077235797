// The report page's part of the window: it follows every Run, and saves.
#include "analysis/gui/ReportView.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>

void TfrmMain::updateReport(bool fromSearch)
{
    const ReportView::Source source{Origin.path.isEmpty() ? QString()
                                                          : QFileInfo(Origin.path).fileName(),
                                    cbDataList->currentText(), dtp1->text(), dtp2->text()};
    tsReport->setRun(m_run, source, fromSearch ? &LastSearchScores : nullptr, LastSearchPeakOffset);
}

void TfrmMain::SaveReportClick()
{
    if (!tsReport->hasRun())
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::SaveReport, text(Text::ReportFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveReport, *chosen);
        SafeSave::writeOrFail(path,
                              path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                  ? FitReport::csv(tsReport->report(), tsReport->rows())
                                  : FitReport::text(tsReport->report(), tsReport->rows()).toUtf8());
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveReport, path, false);
    }
}

void TfrmMain::SaveReportPicturesClick()
{
    if (!tsReport->hasRun())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::SaveReportPictures, text(Text::PngFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveReportPictures, *chosen);
        // The landscape may still be scored: the window waits with Cancel,
        // and a cancel saves nothing.
        tsReport->landscape();
        if (!tsReport->landscapeReady() &&
            !m_dialogs.waitFor(this, text(Text::Computing), text(Text::Cancel),
                               [this] { return tsReport->landscapeReady(); }))
            return;
        ReportFigures::savePng(QSize(1800, 600), tsReport->content(), tsReport->figureTexts(),
                               path);
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveReportPictures, path, false);
    }
}
