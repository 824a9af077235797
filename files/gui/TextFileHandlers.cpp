// The text file commands Open (TXT) and Save (TXT).
#include "app/gui/TfrmMain.h"
#include "files/TableFiles.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>

void TfrmMain::tbOpnTxtClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    if (!confirmLeave())
        return;
    prepareOpenDialog(msg(3));
    if (auto name = m_dialogs.openFile(this, OpenDialog1)) {
        OpenDialog1.fileName = *name;
        // The whole file is read before the table changes: a file that
        // cannot be read leaves the table as it was.
        loadRows(TableFiles::readText(*name), *name, false);
    }
    UpdateDateRange();
}

void TfrmMain::tbSavTxtClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    prepareSaveDialog(msg(3));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        writeTable(*name, false);
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit follows the mode
}
