// The spreadsheet commands Open (XLS) and Save (XLS), through the workbook
// component.
#include "app/Job.h"
#include "app/gui/TfrmMain.h"
#include "files/SheetTable.h"
#include "files/TableFiles.h"
#include "files/workbook/Workbook.h"
#include "table/gui/StringGrid.h"

#include <QDir>
#include <QFileInfo>

void TfrmMain::tbOpnXlsClick()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(OpenXLS1))
        return;
    if (!confirmLeave())
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::OpenXls, msg(4), OpenXLS1);
    if (auto name = m_dialogs.openFile(this, dialog))
        openWorkbookFile(*name);
    UpdateDateRange();
}

void TfrmMain::openWorkbookFile(const QString &path)
{
    noteChosen(FileCommand::OpenXls, path);
    // The workbook is read as a job of its own while the window waits with a
    // Cancel button, and read whole before the table changes: a workbook
    // that cannot be read, or whose read was cancelled, leaves the table as
    // it was. A cancelled read is dropped and ends on its own; nothing waits
    // for it.
    Job<std::vector<GridRow>> read([path](Progress &) { return TableFiles::readWorkbook(path); });
    const bool waited =
        m_dialogs.waitFor(this, text(Text::ReadingWorkbook).arg(QDir::toNativeSeparators(path)),
                          text(Text::Cancel), [&read] { return read.finished(); });
    if (!waited)
        return;
    try {
        loadRows(read.take(), path, true);
    } catch (const EWorkbookError &e) {
        showMessage(e.text(), MB_ICONERROR);
        return;
    }
    say(text(Text::StatusOpened)
            .arg(m_texts.count(Text::RowCount, strGrid->rowCountWithHeader() - 1),
                 QFileInfo(path).fileName()));
    rememberFile(FileCommand::OpenXls, path, true);
}

void TfrmMain::tbSavXlsClick()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(SaveXLS1))
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::SaveXls, msg(4), SaveXLS1);
    if (auto name = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveXls, *name);
        try {
            if (writeTable(path, true))
                rememberFile(FileCommand::SaveXls, path, true);
        } catch (const EWorkbookError &e) {
            showMessage(e.text(), MB_ICONERROR);
        }
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit follows the mode
}
