// Import of observers' count files and the export for their network.
#include "analysis/NetworkPicture.h"
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
    // The dialog's field says how far the files' hours are from UT: lists
    // kept in local time are counted into UT hours. It shows the last answer
    // given in this session.
    std::optional<int> offset = ImportUtcOffset;
    const QStringList names =
        m_dialogs.openCountFiles(this, dialog, text(Text::UtOffsetLabel), offset);
    if (names.isEmpty())
        return;
    ImportUtcOffset = offset;
    importCountFiles(names, ObserverFiles::Options{offset});
}

void TfrmMain::importCountFiles(const QStringList &names, ObserverFiles::Options options)
{
    noteChosen(FileCommand::Import, names.front());
    ObserverFiles::Merged merged;
    for (;;) {
        try {
            // Every file is read and checked before the table changes.
            BusyCursor busy;
            merged = TableFiles::importCountFiles(names, options);
            break;
        } catch (const ObserverFiles::EImportError &e) {
            showMessage(e.text(), MB_ICONERROR);
            return;
        } catch (const ObserverFiles::ENeedsOffset &) {
            // A table in local time that does not say how far from UT:
            // asked once, and every file read again with the answer.
            if (options.utcOffset)
                throw;
            const std::optional<QStringList> answer =
                m_dialogs.editFields(this, text(Text::LocalTimeCaption),
                                     {text(Text::UtOffsetLabel)}, {QString()}, text(Text::Cancel));
            if (!answer)
                return;
            bool ok = false;
            const int offset = answer->value(0).trimmed().toInt(&ok);
            if (!ok || offset < DateConv::MinUtcOffset || offset > DateConv::MaxUtcOffset) {
                showMessage(text(Text::UtOffsetLabel) + QStringLiteral(": %1 … %2")
                                                            .arg(DateConv::MinUtcOffset)
                                                            .arg(DateConv::MaxUtcOffset),
                            MB_ICONWARNING);
                return;
            }
            options.utcOffset = offset;
        }
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
    if (s.markedHours > 0)
        lines << text(Text::ImportMarked).arg(s.markedHours);
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
        NetworkPicture::withPictures(strGrid->model(), column, values);
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
    if (writeFileSet(*folder, files))
        rememberFile(FileCommand::ExportNetwork, *folder, false);
}

bool TfrmMain::writeFileSet(const QString &folder, const std::vector<NetworkExport::File> &files)
{
    std::vector<SafeSave::SetFile> set;
    QStringList names, existing;
    for (const NetworkExport::File &f : files) {
        const QString path = QDir(folder).filePath(f.name);
        set.push_back({path, f.bytes});
        names << f.name;
        if (QFileInfo::exists(path))
            existing << f.name;
    }
    const QString shownFolder = QDir::toNativeSeparators(folder);
    // One question for all the files that exist; nothing is written after Cancel.
    if (!existing.isEmpty() &&
        !m_dialogs.askToReplace(this, QStringLiteral("Vexlor 1.0"),
                                text(Text::ReplaceFilesQuestion).arg(shownFolder) + u'\n' +
                                    existing.join(u'\n'),
                                text(Text::ReplaceAll), text(Text::Cancel)))
        return false;
    try {
        BusyCursor busy;
        SafeSave::writeSet(set);
    } catch (const SafeSave::ESetFailed &e) {
        const auto namesOf = [](const QStringList &paths) {
            QStringList out;
            for (const QString &p : paths)
                out << QFileInfo(p).fileName();
            return out.join(QStringLiteral(", "));
        };
        QStringList lines{
            text(Text::SetNotWritten).arg(QDir::toNativeSeparators(e.file()), e.reason())};
        if (!e.written().isEmpty())
            lines << text(Text::SetWrittenPart).arg(namesOf(e.written()));
        lines << text(Text::SetNotWrittenPart).arg(namesOf(e.notWritten()));
        showMessage(lines.join(u'\n'), MB_ICONERROR);
        return false;
    }
    showMessage(text(Text::FilesWritten).arg(files.size()).arg(shownFolder) + u'\n' +
                    names.join(u'\n'),
                MB_ICONINFORMATION);
    return true;
}
