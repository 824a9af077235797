// The report page's part of the window: it follows every Run, and saves.
#include "analysis/gui/ReportView.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>

ReportView::Source TfrmMain::reportSource() const
{
    return {Origin.path.isEmpty() ? QString() : QFileInfo(Origin.path).fileName(),
            cbDataList->currentText(), dtp1->text(), dtp2->text()};
}

void TfrmMain::updateReport(bool fromSearch)
{
    tsReport->setRun(m_run, reportSource(), fromSearch ? &LastSearchScores : nullptr,
                     LastSearchPeakOffset);
}

void TfrmMain::SaveReportClick()
{
    if (!tsReport->hasRows())
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::SaveReport, text(Text::ReportFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveReport, *chosen);
        SafeSave::writeOrFail(path, path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                        ? tsReport->reportCsv()
                                        : tsReport->reportText().toUtf8());
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveReport, path, false);
    }
}

void TfrmMain::SaveReportPicturesClick()
{
    if (!tsReport->hasRows())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::SaveReportPictures, text(Text::PngFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveReportPictures, *chosen);
        // The landscape may still be scored: the window waits with Cancel,
        // and a cancel saves nothing.
        if (tsReport->landscapePending() &&
            !m_dialogs.waitFor(this, text(Text::Computing), text(Text::Cancel), [this] {
                guarded([this] { tsReport->poll(); });
                return !tsReport->landscapePending();
            }))
            return;
        ReportFigures::savePng(QSize(1800, 600), tsReport->content(), tsReport->figureTexts(true),
                               path);
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveReportPictures, path, false);
    }
}
