// The spreadsheet commands Open (XLS) and Save (XLS), through the workbook
// component.
#include "app/gui/TfrmMain.h"
#include "files/BackgroundRead.h"
#include "files/SheetTable.h"
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
        std::erase_if(m_abandonedReads, [](const auto &read) { return read->finished(); });
        // The workbook is read on a thread of its own while the window waits
        // with a Cancel button, and read whole before the table changes: a
        // workbook that cannot be read, or whose read was cancelled, leaves
        // the table as it was.
        auto read = std::make_unique<BackgroundRead>(*name);
        const bool waited =
            m_dialogs.waitFor(this, extraText(1).arg(QDir::toNativeSeparators(*name)), extraText(2),
                              [&read] { return read->finished(); });
        if (!waited) {
            m_abandonedReads.push_back(std::move(read));
        } else {
            try {
                loadRows(read->takeRows(), *name, true);
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
