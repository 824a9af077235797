// The stacked page's commands that need the window: the columns' stations
// and the files it saves.
#include "analysis/StackedFigure.h"
#include "analysis/gui/StackedView.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace {

// Degrees as typed, in the locale's way or with a point; empty is "not
// known" (NaN); nullopt for anything that is no number within the limit.
std::optional<double> degreesOf(const QString &text, double limit, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nan("");
    bool ok = false;
    double v = locale.toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > limit)
        return std::nullopt;
    return v;
}

QString degreesText(double v, const QLocale &locale)
{
    return std::isfinite(v) ? locale.toString(v, 'g', 10) : QString();
}

} // namespace

void TfrmMain::StackedStationsClick()
{
    const std::vector<int> columns = tsStacked->chosenColumns();
    if (columns.empty()) {
        showMessage(text(Text::StackedNoColumns), MB_ICONWARNING);
        return;
    }
    QStringList labels, values;
    for (int c : columns) {
        const QString name = strGrid->cell(c + 2, 0);
        const Settings::ColumnStation &s = m_settings.columnStation(c);
        labels << text(Text::StackedStationName).arg(name)
               << text(Text::StackedStationLatitude).arg(name)
               << text(Text::StackedStationLongitude).arg(name);
        values << s.name << degreesText(s.latitude, m_texts.locale())
               << degreesText(s.longitude, m_texts.locale());
    }
    const std::optional<QStringList> answer = m_dialogs.editFields(
        this, text(Text::StackedStationsCaption), labels, values, text(Text::Cancel));
    if (!answer)
        return;
    // Every field is checked before anything is kept.
    std::vector<Settings::ColumnStation> stations;
    for (size_t i = 0; i < columns.size(); ++i) {
        Settings::ColumnStation s;
        s.name = answer->value(qsizetype(3 * i)).trimmed();
        const QString latitude = answer->value(qsizetype(3 * i + 1));
        const QString longitude = answer->value(qsizetype(3 * i + 2));
        const std::optional<double> lat = degreesOf(latitude, 90, m_texts.locale());
        const std::optional<double> lon = degreesOf(longitude, 180, m_texts.locale());
        if (!lat || !lon) {
            showMessage(text(Text::StackedBadPlace).arg(lat ? longitude : latitude),
                        MB_ICONWARNING);
            return;
        }
        // A place needs both numbers.
        s.latitude = std::isfinite(*lon) ? *lat : std::nan("");
        s.longitude = std::isfinite(*lat) ? *lon : std::nan("");
        stations.push_back(s);
    }
    std::map<int, Settings::ColumnStation> kept;
    for (size_t i = 0; i < columns.size(); ++i)
        kept[columns[i]] = stations[i];
    m_settings.setColumnStations(kept);
}

void TfrmMain::SaveStackedNumbersClick()
{
    if (!tsStacked->outcome())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::SaveStackedNumbers, text(Text::CsvFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveStackedNumbers, *chosen);
        SafeSave::writeOrFail(path, tsStacked->csv());
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveStackedNumbers, path, false);
    }
}

void TfrmMain::SaveStackedPictureClick()
{
    const StackedView::Outcome *outcome = tsStacked->outcome();
    if (!outcome || !outcome->fit.valid)
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::SaveStackedPicture, text(Text::PictureFilter));
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveStackedPicture, *chosen);
        // PNG at the size last chosen for Save Picture; SVG and PDF are drawings.
        StackedFigure::save(outcome->fit, tsStacked->figureTexts(), path, PictureSize);
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SaveStackedPicture, path, false);
    }
}
