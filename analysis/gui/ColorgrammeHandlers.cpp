// The colorgramme page's commands: its picture, and a cell's row in the table.
#include "analysis/Colorgramme.h"
#include "analysis/gui/ColorgrammeView.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QTabWidget>

void TfrmMain::SaveColorgrammeClick()
{
    prepareSaveDialog(text(Text::PngFilter));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        Colorgramme::savePng(tsColorgramme->data(), QSize(1600, 900), tsColorgramme->texts(),
                             *name);
    }
}

void TfrmMain::colorgrammeCellClicked(int row)
{
    if (row < 1 || row >= strGrid->rowCountWithHeader())
        return;
    PageControl1->setCurrentWidget(tsData);
    strGrid->setRow(row);
    strGrid->setFocus();
}
