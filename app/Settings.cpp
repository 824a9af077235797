// The program's settings in VEXLOR.ini.
#include "Settings.h"

#include "Colors.h"

namespace {

const QString Self = QStringLiteral("self");
const QString StationSection = QStringLiteral("station");

const QString ColumnsSection = QStringLiteral("columns");

QString columnKey(int column, const char *field)
{
    return (column == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(column)) +
           QLatin1String(field);
}

// A place in decimal degrees, C locale; NaN for anything else.
double degreesOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : std::nan("");
}

QString degreesText(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 12) : QString();
}

QString lineKey(int line)
{
    return QStringLiteral("SH%1").arg(line);
}

// The defaults of SH0 to SH3: blue, red, yellow and dark green.
constexpr std::array<int, Settings::Lines> DefaultLineColors = {Colors::Blue, Colors::Red,
                                                                Colors::Yellow, Colors::DarkGreen};

} // namespace

Settings::Settings(const QString &path) : m_file(path)
{
    for (int line = 0; line < Lines; ++line)
        m_lineColors[static_cast<size_t>(line)] =
            Colors::fromValue(DefaultLineColors[static_cast<size_t>(line)]);
    m_background = Colors::fromValue(Colors::White);
    m_axisGrid = Colors::fromValue(Colors::Black);
}

QString Settings::pathIn(const QString &directory)
{
    return directory + QStringLiteral("/VEXLOR.ini");
}

void Settings::read()
{
    m_file = IniFile(m_file.path()); // a reading of the file as it is now
    m_language = m_file.readString(Self, QStringLiteral("Language"), QString());
    m_dateFormat = m_file.readString(Self, QStringLiteral("DateFormat"), QString());
    for (int line = 0; line < Lines; ++line)
        m_lineColors[static_cast<size_t>(line)] = Colors::fromValue(
            m_file.readInteger(Self, lineKey(line), DefaultLineColors[static_cast<size_t>(line)]));
    m_background =
        Colors::fromValue(m_file.readInteger(Self, QStringLiteral("GBC"), Colors::White));
    m_axisGrid = Colors::fromValue(m_file.readInteger(Self, QStringLiteral("GAGC"), Colors::Black));
    for (int c = 0; c < CountColumns; ++c) {
        ColumnStation &station = m_columnStations[static_cast<size_t>(c)];
        station.name = m_file.readString(ColumnsSection, columnKey(c, "Name"), QString());
        station.latitude =
            degreesOf(m_file.readString(ColumnsSection, columnKey(c, "Latitude"), QString()));
        station.longitude =
            degreesOf(m_file.readString(ColumnsSection, columnKey(c, "Longitude"), QString()));
    }
}

void Settings::setColumnStation(int column, const ColumnStation &station)
{
    m_file.writeString(ColumnsSection, columnKey(column, "Name"), station.name);
    m_file.writeString(ColumnsSection, columnKey(column, "Latitude"),
                       degreesText(station.latitude));
    m_file.writeString(ColumnsSection, columnKey(column, "Longitude"),
                       degreesText(station.longitude));
    m_columnStations[static_cast<size_t>(column)] = station;
}

Settings::Station Settings::station(const std::vector<QString> &fields) const
{
    Station out;
    for (const QString &field : fields)
        out[field] = m_file.readString(StationSection, field, QString());
    return out;
}

void Settings::setLanguage(const QString &code)
{
    m_file.writeString(Self, QStringLiteral("Language"), code);
    m_language = code;
}

void Settings::setLineColor(int line, const QColor &color)
{
    m_file.writeInteger(Self, lineKey(line), Colors::toValue(color));
    m_lineColors[static_cast<size_t>(line)] = color;
}

void Settings::setBackground(const QColor &color)
{
    m_file.writeInteger(Self, QStringLiteral("GBC"), Colors::toValue(color));
    m_background = color;
}

void Settings::setAxisGrid(const QColor &color)
{
    m_file.writeInteger(Self, QStringLiteral("GAGC"), Colors::toValue(color));
    m_axisGrid = color;
}

void Settings::setStationValue(const QString &field, const QString &value)
{
    m_file.writeString(StationSection, field, value);
}
