// What every command that opens, saves or leaves the table shares: loading
// rows into the table and writing it, the caption with the table's file,
// the question before unsaved changes are left, and the date-range refresh
// that ends the file commands and the graph export.
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "files/TableFiles.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>

void TfrmMain::loadRows(std::vector<GridRow> rows, const QString &path, bool workbook)
{
    Table->history().pause(true);
    strGrid->replaceRows(std::move(rows));
    Table->history().pause(false);
    Table->history().restart();
    Origin = {path, workbook};
    updateCaption();
}

bool TfrmMain::writeTable(const QString &path, bool workbook)
{
    // Written from a copy of the rows as a job while the window waits with
    // Cancel (a workbook of a million rows takes seconds); the copy shares
    // the rows' texts until the table changes. The copy's model is made and
    // dropped on the job's thread. Cancelled, the table is not taken as
    // saved; the one writer leaves the file whole either way.
    const auto written =
        waitForWork<bool>(text(Text::WritingFile).arg(QDir::toNativeSeparators(path)),
                          [rows = strGrid->model().rows(), path, workbook](Progress &) mutable {
                              GridModel copy;
                              copy.replaceRows(std::move(rows));
                              TableFiles::save(copy, path, workbook);
                              return true;
                          });
    if (!written)
        return false;
    Table->history().markSaved();
    Origin = {path, workbook};
    updateCaption();
    say(text(Text::StatusSaved)
            .arg(m_texts.count(Text::RowCount, strGrid->rowCountWithHeader() - 1),
                 QFileInfo(path).fileName()));
    return true;
}

void TfrmMain::updateCaption()
{
    QString caption = QStringLiteral("Vexlor 1.0");
    if (!Origin.path.isEmpty())
        caption += QStringLiteral(" - ") + QFileInfo(Origin.path).fileName();
    if (Table->history().changed())
        caption += QStringLiteral(" *");
    setWindowTitle(caption);
}

bool TfrmMain::confirmLeave()
{
    if (!Table->history().changed())
        return true;
    switch (m_dialogs.askToSave(this, QStringLiteral("Vexlor 1.0"), text(Text::SaveChangesQuestion),
                                text(Text::Save), text(Text::Discard), text(Text::Cancel))) {
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        return false;
    case SaveChoice::Save:
        break;
    }
    return saveToOrigin();
}

bool TfrmMain::saveToOrigin()
{
    // To where the table came from, in its format; a new table asks for a
    // name as Save (TXT) does.
    if (Origin.path.isEmpty()) {
        const FileDialogState &dialog = fileDialog(FileCommand::SaveTxt, msg(3), SaveTXT1);
        auto name = m_dialogs.saveFile(this, dialog);
        if (!name)
            return false;
        Origin = {chosenName(FileCommand::SaveTxt, *name), false};
    }
    if (Origin.workbook) {
        try {
            if (!writeTable(Origin.path, true))
                return false;
        } catch (const EWorkbookError &e) {
            showMessage(e.text(), MB_ICONERROR);
            return false;
        }
    } else if (!writeTable(Origin.path, false)) { // a failure ends the command that asked
        return false;
    }
    rememberFile(Origin.workbook ? FileCommand::SaveXls : FileCommand::SaveTxt, Origin.path, true);
    return true;
}

void TfrmMain::Save1Click()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(Save1))
        return;
    saveToOrigin();
}

void TfrmMain::openPaths(const QStringList &paths)
{
    if (paths.isEmpty() || m_searching)
        return;
    tbSaveGraph->setEnabled(false);
    // The file commands work on the DATA page: a drop shows it.
    PageControl1->setCurrentIndex(0);
    if (!confirmLeave())
        return;
    TableFiles::Reader reader;
    {
        BusyCursor busy;
        reader = TableFiles::choose(paths);
    }
    switch (reader) {
    case TableFiles::Reader::Text:
        openTextFile(paths.front());
        break;
    case TableFiles::Reader::Workbook:
        openWorkbookFile(paths.front());
        break;
    case TableFiles::Reader::CountFiles:
        importCountFiles(paths); // asks nothing more, refreshes the dates itself
        return;
    }
    UpdateDateRange();
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
