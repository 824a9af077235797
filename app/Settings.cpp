// The program's settings in VEXLOR.ini.
#include "Settings.h"

#include "Colors.h"

namespace {

const QString Self = QStringLiteral("self");
const QString StationSection = QStringLiteral("station");

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
