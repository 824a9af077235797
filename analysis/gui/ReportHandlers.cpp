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
    prepareSaveDialog(text(Text::ReportFilter));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        SafeSave::writeOrFail(*name, name->endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                         ? tsReport->reportCsv()
                                         : tsReport->reportText().toUtf8());
    }
}

void TfrmMain::SaveReportPicturesClick()
{
    if (!tsReport->hasRows())
        return;
    prepareSaveDialog(text(Text::PngFilter));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        ReportFigures::savePng(QSize(1800, 600), tsReport->content(), tsReport->figureTexts(true),
                               *name);
    }
}
