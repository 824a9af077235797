// The text file commands Open (TXT) and Save (TXT), and the date-range refresh.
#include "app/DateConv.h"
#include "app/TfrmMain.h"
#include "files/TextFormat.h"
#include "table/StringGrid.h"

#include <QDateEdit>

void TfrmMain::tbOpnTxtClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    prepareOpenDialog(msg(3));
    if (auto name = m_dialogs.openFile(this, OpenDialog1)) {
        OpenDialog1.fileName = *name;
        // The whole file is read before the table changes: a file that
        // cannot be read leaves the table as it was.
        std::vector<GridRow> rows = TextFormat::load(*name);
        strGrid->replaceRows(std::move(rows));
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
        TextFormat::save(strGrid->model(), *name);
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit follows the mode
}

void TfrmMain::UpdateDateRange()
{
    try {
        const QString first = strGrid->cell(0, 1);
        if (!first.isEmpty()) {
            dtp1->setDate(DateConv::fromTextOrThrow(first));
            dtp2->setDate(
                DateConv::fromTextOrThrow(strGrid->cell(0, strGrid->rowCountWithHeader() - 1)));
        } else {
            dtp1->setDate(DateConv::today());
            dtp2->setDate(DateConv::today());
        }
        tbRun->setEnabled(true);
    } catch (const std::exception &) {
        // A picker set before the failure keeps its new date.
        showMessage(msg(1), MB_ICONWARNING);
        tbRun->setEnabled(false);
    }
}
