// The Configuration menu's commands: the line swatches, the chart's
// background and axis grid, and the station block of Export for Network.
#include "TfrmMain.h"
#include "Widgets.h"
#include "files/NetworkExport.h"

#include <QCategoryAxis>
#include <QChart>
#include <QValueAxis>

void TfrmMain::Shape1MouseDown(ColorSwatch *sender)
{
    // The chart's lines take the new colour at the next run.
    const auto chosen = m_dialogs.chooseColor(this, sender->brushColor());
    if (!chosen)
        return;
    sender->setBrushColor(*chosen);
    m_settings.setLineColor(sender->tag(), sender->brushColor());
}

void TfrmMain::GridBackGroundColor1Click()
{
    const auto chosen = m_dialogs.chooseColor(this, Chart1->backgroundBrush().color());
    if (!chosen)
        return;
    Chart1->setBackgroundBrush(*chosen);
    m_settings.setBackground(Chart1->backgroundBrush().color());
}

void TfrmMain::GridAxisColor1Click()
{
    // One colour for both axes' grid lines.
    const auto chosen = m_dialogs.chooseColor(this, BottomAxis->gridLineColor());
    if (!chosen)
        return;
    BottomAxis->setGridLineColor(*chosen);
    LeftAxis->setGridLineColor(*chosen);
    m_settings.setAxisGrid(BottomAxis->gridLineColor());
}

bool TfrmMain::Station1Click()
{
    const std::vector<QString> fields = NetworkExport::stationFieldNames();
    const NetworkExport::Station station = m_settings.station(fields);
    QStringList labels, values;
    for (size_t i = 0; i < fields.size(); ++i) {
        // The form's labels follow the order of the fields.
        labels << text(Text(int(Text::StationObserver) + int(i)));
        values << station.at(fields[i]);
    }
    // A place outside the globe is refused, and the form shown again with
    // what was typed, until it is right or cancelled.
    std::optional<QStringList> edited;
    QStringList shown = values;
    for (;;) {
        edited = m_dialogs.editFields(this, text(Text::StationCaption), labels, shown,
                                      text(Text::Cancel));
        if (!edited)
            return false;
        QString problem;
        for (size_t i = 0; i < fields.size() && problem.isEmpty(); ++i) {
            const QString value = edited->value(qsizetype(i));
            if (!NetworkExport::placeInRange(fields[i], value))
                problem = text(fields[i] == QLatin1String("Longitude") ? Text::LongitudeRange
                                                                       : Text::LatitudeRange)
                              .arg(value.trimmed());
        }
        if (problem.isEmpty())
            break;
        showMessage(problem, MB_ICONWARNING);
        shown = *edited;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        // As typed, blanks and quotes included; a line end (pasted) would
        // break the settings file's line and becomes a blank.
        const QString value = edited->value(qsizetype(i)).replace(u'\n', u' ').replace(u'\r', u' ');
        if (value != values[qsizetype(i)])
            m_settings.setStationValue(fields[i], value);
    }
    return true;
}
