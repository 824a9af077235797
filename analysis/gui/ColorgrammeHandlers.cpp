// The colorgramme page's commands: its picture, and a cell's row in the table.
#include "analysis/Colorgramme.h"
#include "analysis/gui/ColorgrammeView.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QFileInfo>
#include <QTabWidget>

void TfrmMain::SaveColorgrammeClick()
{
    const FileDialogState &dialog = fileDialog(FileCommand::SaveColorgramme, text(Text::PngFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveColorgramme, *chosen);
        Colorgramme::savePng(tsColorgramme->data(), QSize(1600, 900), tsColorgramme->texts(), path);
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveColorgramme, path, false);
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
