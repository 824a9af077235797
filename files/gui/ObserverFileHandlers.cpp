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
#include <QLabel>

#include <algorithm>
#include <cmath>

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
    // Every file is read and checked before the table changes.
    auto read = readCountFiles<ObserverFiles::Merged>(
        names, options, [names](const ObserverFiles::Options &o) {
            return TableFiles::importCountFiles(names, o);
        });
    if (!read)
        return;
    ObserverFiles::Merged merged = std::move(*read);
    if (!putImportedHours(merged))
        return;
    // A single file is a recent one: opened again, it is imported again.
    rememberFile(FileCommand::Import, names.front(), names.size() == 1);
    showImportSummary(merged.summary);
}

bool TfrmMain::putImportedHours(ObserverFiles::Merged &merged)
{
    if (merged.rows.empty()) {
        showMessage(text(Text::NoHoursInFiles), MB_ICONWARNING);
        return false;
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
    return true;
}

template <class T>
std::optional<T>
TfrmMain::readCountFiles(const QStringList &names, ObserverFiles::Options options,
                         const std::function<T(const ObserverFiles::Options &)> &read)
{
    for (;;) {
        try {
            // As a job while the window waits with Cancel.
            return waitForWork<T>(
                text(Text::ReadingWorkbook).arg(QDir::toNativeSeparators(names.front())),
                [read, options](Progress &) { return read(options); });
        } catch (const ObserverFiles::EImportError &e) {
            showMessage(e.text(), MB_ICONERROR);
            return std::nullopt;
        } catch (const ObserverFiles::ENeedsOffset &) {
            if (options.utcOffset)
                throw;
            if (!askUtcOffset(options))
                return std::nullopt;
        }
    }
}

bool TfrmMain::askUtcOffset(ObserverFiles::Options &options)
{
    // A table in local time that does not say how far from UT: asked once,
    // and every file read again with the answer.
    const std::optional<QStringList> answer =
        m_dialogs.editFields(this, text(Text::LocalTimeCaption), {text(Text::UtOffsetLabel)},
                             {QString()}, text(Text::Cancel));
    if (!answer)
        return false;
    bool ok = false;
    const int offset = answer->value(0).trimmed().toInt(&ok);
    if (!ok || offset < -12 || offset > 14) {
        showMessage(text(Text::UtOffsetLabel) + QStringLiteral(": -12 … 14"), MB_ICONWARNING);
        return false;
    }
    options.utcOffset = offset;
    return true;
}

void TfrmMain::showImportSummary(const ObserverFiles::Summary &s)
{
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

namespace {

// A count column by its name: Sum 0, N1 to N10 1 to 10, -1 for anything else.
int countColumnOf(const QString &text)
{
    const QString name = text.trimmed();
    if (name.compare(QLatin1String("Sum"), Qt::CaseInsensitive) == 0)
        return 0;
    if (name.startsWith(u'N', Qt::CaseInsensitive)) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 10)
            return n;
    }
    return -1;
}

QString countColumnName(int c)
{
    return c == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(c);
}

} // namespace

void TfrmMain::ImportColumns1Click()
{
    tbSaveGraph->setEnabled(false);
    if (!confirmLeave())
        return;
    // Import's dialog and folder: the same kind of files.
    const FileDialogState &dialog =
        fileDialog(FileCommand::Import, text(Text::CountFilesFilter), ImportColumns1);
    const QStringList names = m_dialogs.openFiles(this, dialog);
    if (names.isEmpty())
        return;
    noteChosen(FileCommand::Import, names.front());
    auto read = readCountFiles<std::vector<ObserverFiles::FileHours>>(
        names, {},
        [names](const ObserverFiles::Options &o) { return TableFiles::readCountFiles(names, o); });
    if (!read)
        return;
    std::vector<ObserverFiles::FileHours> files = std::move(*read);
    // The files of one station (by its station block, else by the file's
    // name) go into one column together.
    struct Group {
        QString name;
        ObserverFiles::StationInfo info;
        std::vector<size_t> files;
    };
    std::vector<Group> groups;
    for (size_t i = 0; i < files.size(); ++i) {
        const ObserverFiles::StationInfo info =
            ObserverFiles::stationOf(files[i], names[qsizetype(i)]);
        const QString name =
            info.name.isEmpty() ? QFileInfo(names[qsizetype(i)]).fileName() : info.name;
        auto g = std::find_if(groups.begin(), groups.end(),
                              [&name](const Group &x) { return x.name == name; });
        if (g == groups.end()) {
            groups.push_back({name, info, {}});
            g = groups.end() - 1;
        } else if (!std::isfinite(g->info.latitude) && std::isfinite(info.latitude)) {
            g->info.latitude = info.latitude;
            g->info.longitude = info.longitude;
        }
        g->files.push_back(i);
    }
    if (groups.size() > size_t(Settings::CountColumns)) {
        showMessage(text(Text::ImportTooManyStations).arg(groups.size()), MB_ICONWARNING);
        return;
    }
    // Proposed: the column that station counted before, else the first free.
    std::vector<int> proposed(groups.size(), -1);
    std::vector<bool> used(size_t(Settings::CountColumns), false);
    for (size_t g = 0; g < groups.size(); ++g)
        for (int c = 0; c < Settings::CountColumns; ++c)
            if (!used[size_t(c)] && !m_settings.columnStation(c).name.isEmpty() &&
                m_settings.columnStation(c).name == groups[g].name) {
                proposed[g] = c;
                used[size_t(c)] = true;
                break;
            }
    QStringList labels, values;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (proposed[g] < 0) {
            const auto free = std::find(used.begin(), used.end(), false);
            proposed[g] = int(free - used.begin());
            *free = true;
        }
        labels << text(Text::ImportColumnField).arg(groups[g].name).arg(groups[g].files.size());
        values << countColumnName(proposed[g]);
    }
    const std::optional<QStringList> answer = m_dialogs.editFields(
        this, text(Text::ImportColumnsCaption), labels, values, text(Text::Cancel));
    if (!answer)
        return;
    std::vector<int> columnOfFile(files.size(), 0), columnOfGroup;
    for (size_t g = 0; g < groups.size(); ++g) {
        const int c = countColumnOf(answer->value(qsizetype(g)));
        if (c < 0) {
            showMessage(text(Text::ImportColumnInvalid).arg(answer->value(qsizetype(g))),
                        MB_ICONWARNING);
            return;
        }
        columnOfGroup.push_back(c);
        for (size_t f : groups[g].files)
            columnOfFile[f] = c;
    }
    ObserverFiles::Merged merged;
    try {
        merged = TableFiles::mergeCountFiles(std::move(files), columnOfFile);
    } catch (const ObserverFiles::EImportError &e) {
        showMessage(e.text(), MB_ICONERROR);
        return;
    }
    if (!putImportedHours(merged))
        return;
    // The column keeps its station: the name the files give, and their
    // place where they give one (else the place entered before). The table
    // has its counts already: a failed write is said, not undone.
    std::map<int, Settings::ColumnStation> kept;
    for (size_t g = 0; g < groups.size(); ++g) {
        Settings::ColumnStation station = m_settings.columnStation(columnOfGroup[g]);
        if (!groups[g].info.name.isEmpty() && station.name != groups[g].info.name) {
            station.name = groups[g].info.name;
            station.latitude = station.longitude = std::nan("");
        }
        if (std::isfinite(groups[g].info.latitude)) {
            station.latitude = groups[g].info.latitude;
            station.longitude = groups[g].info.longitude;
        }
        kept[columnOfGroup[g]] = station;
    }
    QString notKept;
    try {
        m_settings.setColumnStations(kept);
    } catch (const std::exception &e) {
        notKept = text(Text::NotRemembered).arg(failureText(e));
    }
    // Not a recent file: opened again, a file is imported as Import does.
    rememberFile(FileCommand::Import, names.front(), false);
    if (!notKept.isEmpty())
        say(StatusText->text() + u' ' + notKept);
    showImportSummary(merged.summary);
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
