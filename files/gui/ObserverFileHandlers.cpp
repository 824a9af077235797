// Import of observers' count files and the export for their network.
#include "app/DateConv.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/TableFiles.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>

void TfrmMain::Import1Click()
{
    tbSaveGraph->setEnabled(false);
    if (!confirmLeave())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::Import, text(Text::CountFilesFilter), Import1);
    const QStringList names = m_dialogs.openFiles(this, dialog);
    if (names.isEmpty())
        return;
    importCountFiles(names);
}

void TfrmMain::importCountFiles(const QStringList &names)
{
    noteChosen(FileCommand::Import, names.front());
    ObserverFiles::Merged merged;
    try {
        // Every file is read and checked before the table changes.
        BusyCursor busy;
        merged = TableFiles::importCountFiles(names);
    } catch (const ObserverFiles::EImportError &e) {
        showMessage(e.text(), MB_ICONERROR);
        return;
    }
    if (merged.rows.empty()) {
        showMessage(text(Text::NoHoursInFiles), MB_ICONWARNING);
        return;
    }
    // One step of the table's history, and a table not yet saved anywhere.
    strGrid->setEditing(false);
    strGrid->replaceRows(std::move(merged.rows));
    Origin = {};
    updateCaption();
    UpdateDateRange();
    say(text(Text::StatusImported)
            .arg(m_texts.count(Text::HourCount, merged.summary.hours),
                 m_texts.count(Text::FileCount, merged.summary.files)));
    // A single file is a recent one: opened again, it is imported again.
    rememberFile(FileCommand::Import, names.front(), names.size() == 1);

    const ObserverFiles::Summary &s = merged.summary;
    QStringList lines;
    lines << text(Text::ImportSummary).arg(s.files).arg(s.hours).arg(s.days);
    if (s.missingHours == 0) {
        lines << text(Text::NoHoursMissing);
    } else {
        lines << text(Text::HoursMissing).arg(s.missingHours);
        for (const ObserverFiles::Gap &g : s.gaps)
            lines << text(Text::ImportGap)
                         .arg(DateConv::toText(g.date))
                         .arg(g.hour, 2, 10, QChar(u'0'))
                         .arg(g.hours);
        if (s.moreGaps > 0)
            lines << text(Text::GapsNotListed).arg(s.moreGaps);
    }
    showMessage(lines.join(u'\n'), MB_ICONINFORMATION);
}

void TfrmMain::ExportNetwork1Click()
{
    NetworkExport::Station values = m_settings.station(NetworkExport::stationFieldNames());
    if (NetworkExport::fileNamePart(values[QStringLiteral("Observer")]).isEmpty()) {
        if (!Station1Click())
            return;
        values = m_settings.station(NetworkExport::stationFieldNames());
        if (NetworkExport::fileNamePart(values[QStringLiteral("Observer")]).isEmpty()) {
            showMessage(text(Text::ObserverNeeded), MB_ICONWARNING);
            return;
        }
    }
    const int column = countColumn(std::max(0, cbDataList->currentIndex()));
    const std::vector<NetworkExport::File> files =
        NetworkExport::build(strGrid->model(), column, values);
    if (files.empty()) {
        showMessage(text(Text::NothingToExport).arg(cbDataList->currentText()), MB_ICONWARNING);
        return;
    }
    // Its own folder, never the one an Import read from.
    const FileDialogState &dialog = fileDialog(FileCommand::ExportNetwork, QString());
    const std::optional<QString> folder =
        m_dialogs.chooseFolder(this, text(Text::ChooseFolder), dialog.initialDir);
    if (!folder)
        return;
    noteChosen(FileCommand::ExportNetwork, *folder);
    QStringList written;
    for (const NetworkExport::File &f : files) {
        SafeSave::writeOrFail(QDir(*folder).filePath(f.name), f.bytes);
        written << f.name;
    }
    rememberFile(FileCommand::ExportNetwork, *folder, false);
    showMessage(text(Text::FilesWritten).arg(files.size()).arg(QDir::toNativeSeparators(*folder)) +
                    u'\n' + written.join(u'\n'),
                MB_ICONINFORMATION);
}
