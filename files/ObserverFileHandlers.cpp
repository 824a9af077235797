// Import of observers' count files, the export for their network, and the
// station the export describes.
#include "app/DateConv.h"
#include "app/TfrmMain.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/SafeSave.h"
#include "table/StringGrid.h"
#include "table/TableEditor.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>

namespace {

// The settings section of the station block.
const QString StationSection = QStringLiteral("station");
// The first Station label's text number; the others follow in the order
// of NetworkExport::stationFields.
constexpr int FirstStationText = 43;

// The station's values as the settings file keeps them, by setting key.
NetworkExport::Station readStation(const IniFile &ini)
{
    NetworkExport::Station out;
    for (const NetworkExport::StationField &f : NetworkExport::stationFields())
        out[QLatin1String(f.setting)] =
            ini.readString(StationSection, QLatin1String(f.setting), QString());
    return out;
}

} // namespace

void TfrmMain::Import1Click()
{
    tbSaveGraph->setEnabled(false);
    if (!confirmLeave())
        return;
    prepareOpenDialog(extraText(23));
    const QStringList names = m_dialogs.openFiles(this, OpenDialog1);
    if (names.isEmpty())
        return;
    OpenDialog1.fileName = names.front();
    OpenDialog1.initialDir = QFileInfo(names.front()).absolutePath();
    ObserverFiles::Merged merged;
    try {
        // Every file is read and checked before the table changes.
        merged = ObserverFiles::import(names);
    } catch (const ObserverFiles::EImportError &e) {
        showMessage(e.text(), MB_ICONERROR);
        return;
    }
    if (merged.rows.empty()) {
        showMessage(extraText(29), MB_ICONWARNING);
        return;
    }
    // One step of the table's history, and a table not yet saved anywhere.
    strGrid->setEditing(false);
    strGrid->replaceRows(std::move(merged.rows));
    Origin = {};
    updateCaption();
    UpdateDateRange();

    const ObserverFiles::Summary &s = merged.summary;
    QStringList lines;
    lines << extraText(24).arg(s.files).arg(s.hours).arg(s.days);
    if (s.missingHours == 0) {
        lines << extraText(25);
    } else {
        lines << extraText(26).arg(s.missingHours);
        for (const ObserverFiles::Gap &g : s.gaps)
            lines << extraText(27)
                         .arg(DateConv::toText(g.date))
                         .arg(g.hour, 2, 10, QChar(u'0'))
                         .arg(g.hours);
        if (s.moreGaps > 0)
            lines << extraText(28).arg(s.moreGaps);
    }
    showMessage(lines.join(u'\n'), MB_ICONINFORMATION);
}

bool TfrmMain::Station1Click()
{
    const IniFile ini = settings();
    const NetworkExport::Station station = readStation(ini);
    QStringList labels, values;
    for (size_t i = 0; i < NetworkExport::stationFields().size(); ++i) {
        labels << extraText(FirstStationText + int(i));
        values << station.at(QLatin1String(NetworkExport::stationFields()[i].setting));
    }
    const std::optional<QStringList> edited =
        m_dialogs.editFields(this, extraText(58), labels, values, extraText(2));
    if (!edited)
        return false;
    for (size_t i = 0; i < NetworkExport::stationFields().size(); ++i) {
        // As typed, blanks and quotes included; a line end (pasted) would
        // break the settings file's line and becomes a blank.
        const QString value = edited->value(qsizetype(i)).replace(u'\n', u' ').replace(u'\r', u' ');
        if (value != values[qsizetype(i)])
            ini.writeString(StationSection,
                            QLatin1String(NetworkExport::stationFields()[i].setting), value);
    }
    return true;
}

void TfrmMain::ExportNetwork1Click()
{
    NetworkExport::Station values = readStation(settings());
    if (NetworkExport::fileNamePart(values[QStringLiteral("Observer")]).isEmpty()) {
        if (!Station1Click())
            return;
        values = readStation(settings());
        if (NetworkExport::fileNamePart(values[QStringLiteral("Observer")]).isEmpty()) {
            showMessage(extraText(60), MB_ICONWARNING);
            return;
        }
    }
    const int column = countColumn(std::max(0, cbDataList->currentIndex()));
    const std::vector<NetworkExport::File> files =
        NetworkExport::build(strGrid->model(), column, values);
    if (files.empty()) {
        showMessage(extraText(38).arg(cbDataList->currentText()), MB_ICONWARNING);
        return;
    }
    prepareSaveDialog(QString());
    const std::optional<QString> folder =
        m_dialogs.chooseFolder(this, extraText(61), SaveDialog1.initialDir);
    if (!folder)
        return;
    SaveDialog1.initialDir = *folder;
    QStringList written;
    for (const NetworkExport::File &f : files) {
        SafeSave::writeOrFail(QDir(*folder).filePath(f.name), f.bytes);
        written << f.name;
    }
    showMessage(extraText(32).arg(files.size()).arg(QDir::toNativeSeparators(*folder)) + u'\n' +
                    written.join(u'\n'),
                MB_ICONINFORMATION);
}
