// The spreadsheet commands Open (XLS) and Save (XLS), through the workbook
// component.
#include "app/Job.h"
#include "app/gui/TfrmMain.h"
#include "files/SheetTable.h"
#include "files/TableFiles.h"
#include "files/workbook/Workbook.h"
#include "table/gui/StringGrid.h"

#include <QDir>

void TfrmMain::tbOpnXlsClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    if (!confirmLeave())
        return;
    prepareOpenDialog(msg(4));
    if (auto name = m_dialogs.openFile(this, OpenDialog1)) {
        OpenDialog1.fileName = *name;
        // The workbook is read as a job of its own while the window waits
        // with a Cancel button, and read whole before the table changes: a
        // workbook that cannot be read, or whose read was cancelled, leaves
        // the table as it was. A cancelled read is dropped and ends on its
        // own; nothing waits for it.
        Job<std::vector<GridRow>> read(
            [path = *name](Progress &) { return TableFiles::readWorkbook(path); });
        const bool waited = m_dialogs.waitFor(
            this, text(Text::ReadingWorkbook).arg(QDir::toNativeSeparators(*name)),
            text(Text::Cancel), [&read] { return read.finished(); });
        if (waited) {
            try {
                loadRows(read.take(), *name, true);
            } catch (const EWorkbookError &e) {
                showMessage(e.text(), MB_ICONERROR);
            }
        }
    }
    UpdateDateRange();
}

void TfrmMain::tbSavXlsClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    prepareSaveDialog(msg(4));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        try {
            writeTable(*name, true);
        } catch (const EWorkbookError &e) {
            showMessage(e.text(), MB_ICONERROR);
        }
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit follows the mode
}
