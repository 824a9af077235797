// The spreadsheet commands Open (XLS) and Save (XLS), through the workbook
// component.
#include "app/TfrmMain.h"
#include "files/SheetTable.h"
#include "files/Workbook.h"
#include "table/StringGrid.h"

void TfrmMain::tbOpnXlsClick()
{
    tbSaveGraph->setEnabled(false);
    if (!dataPageActive())
        return;
    prepareOpenDialog(msg(4));
    if (auto name = m_dialogs.openFile(this, OpenDialog1)) {
        OpenDialog1.fileName = *name;
        WorkbookApplication excel;
        try {
            excel.setVisible(false);
            excel.workbooks().Add(*name);
            Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
            // The whole sheet is read before the table changes: a workbook
            // that cannot be read leaves the table as it was.
            std::vector<GridRow> rows = SheetTable::read(sheet);
            excel.Quit();
            strGrid->replaceRows(std::move(rows));
        } catch (const EWorkbookError &e) {
            showMessage(e.text(), MB_ICONERROR);
            excel.Quit();
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
        WorkbookApplication excel;
        try {
            excel.setVisible(true);
            excel.workbooks().Add();
            SheetTable::write(strGrid->model(), excel.ActiveWorkbook().ActiveSheet());
            excel.ActiveWorkbook().SaveAs(*name);
            excel.Quit();
        } catch (const EWorkbookError &e) {
            showMessage(e.text(), MB_ICONERROR);
            excel.Quit();
        }
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit keeps its pressed state
}
