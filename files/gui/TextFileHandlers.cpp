// The text file commands Open (TXT) and Save (TXT).
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "files/TableFiles.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>

void TfrmMain::tbOpnTxtClick()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(OpenTXT1))
        return;
    if (!confirmLeave())
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::OpenTxt, msg(3), OpenTXT1);
    if (auto name = m_dialogs.openFile(this, dialog))
        openTextFile(*name);
    UpdateDateRange();
}

void TfrmMain::openTextFile(const QString &path)
{
    noteChosen(FileCommand::OpenTxt, path);
    // The whole file is read, as a job while the window waits with Cancel,
    // before the table changes: a file that cannot be read, or whose read
    // was cancelled, leaves the table as it was.
    auto rows = waitForWork<std::vector<GridRow>>(
        text(Text::ReadingWorkbook).arg(QDir::toNativeSeparators(path)),
        [path](Progress &) { return TableFiles::readText(path); });
    if (!rows)
        return;
    loadRows(std::move(*rows), path, false);
    say(text(Text::StatusOpened)
            .arg(m_texts.count(Text::RowCount, strGrid->rowCountWithHeader() - 1),
                 QFileInfo(path).fileName()));
    rememberFile(FileCommand::OpenTxt, path, true);
}

void TfrmMain::tbSavTxtClick()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(SaveTXT1))
        return;
    const FileDialogState &dialog = fileDialog(FileCommand::SaveTxt, msg(3), SaveTXT1);
    if (auto name = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveTxt, *name);
        if (writeTable(path, false))
            rememberFile(FileCommand::SaveTxt, path, true);
    }
    UpdateDateRange();
    strGrid->setEditing(false); // tbEdit follows the mode
}
