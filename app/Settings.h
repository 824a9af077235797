// The program's settings in VEXLOR.ini: the one place that names its keys.
#pragma once

#include "IniFile.h"
#include "LanguageTexts.h"

#include <QColor>
#include <QString>

#include <array>
#include <cmath>
#include <map>
#include <vector>

// Section "self" holds the program's own settings (the language, the date
// format, the colours), section "station" the station block of Export for
// Network, section "columns" the stations of the count columns, and one
// section per language code the interface texts. read()
// reads the file once and keeps typed values; the language's texts come
// from the same reading. A write goes through IniFile (and so through the
// one writer, SafeSave) and then changes the kept value; a failed write
// throws EIniFileError "Unable to write to <path>: <reason>" and changes
// nothing kept. A missing file, key or unreadable value gives the default.
class Settings {
public:
    static constexpr int Lines = 4; // observed, shower profile, shower, sporadic

    explicit Settings(const QString &path = QString());

    // The file next to the program (vexlor-fit's, or the window's ExeDir).
    static QString pathIn(const QString &directory);
    const QString &path() const { return m_file.path(); }

    // Reads the file (once) and takes every value from that reading.
    void read();

    // "Language": the code of the language section to apply; empty: none.
    const QString &language() const { return m_language; }
    // "DateFormat": a QDate pattern for the table's dates; empty: the
    // locale's short format.
    const QString &dateFormat() const { return m_dateFormat; }
    // "SH0" to "SH3": the colours of the four lines.
    const QColor &lineColor(int line) const { return m_lineColors[static_cast<size_t>(line)]; }
    std::vector<QColor> lineColors() const { return {m_lineColors.begin(), m_lineColors.end()}; }
    // "GBC": the chart's background; "GAGC": the grid lines of both axes.
    const QColor &background() const { return m_background; }
    const QColor &axisGrid() const { return m_axisGrid; }
    // The station block by the names of its fields, as section "station"
    // keeps them under the same names; empty for a field not set.
    using Station = std::map<QString, QString>;
    Station station(const std::vector<QString> &fields) const;

    // Section "columns": the station that counted each count column (0 Sum,
    // 1 to 10 N1 to N10), for the stacked profile: keys "<column>Name",
    // "<column>Latitude" and "<column>Longitude" (SumName, N1Latitude ...),
    // the place in decimal degrees, north and east positive. A missing or
    // unreadable place is NaN.
    static constexpr int CountColumns = 11;
    struct ColumnStation {
        QString name;
        double latitude = std::nan(""), longitude = std::nan("");
    };
    const ColumnStation &columnStation(int column) const
    {
        return m_columnStations[static_cast<size_t>(column)];
    }
    void setColumnStation(int column, const ColumnStation &station);

    // The texts of a language section, from the same reading as the values
    // above (a read after the last write).
    LanguageTexts texts(const QString &code) const { return LanguageTexts(m_file, code); }

    void setLanguage(const QString &code);
    void setLineColor(int line, const QColor &color);
    void setBackground(const QColor &color);
    void setAxisGrid(const QColor &color);
    void setStationValue(const QString &field, const QString &value);

private:
    IniFile m_file;
    QString m_language, m_dateFormat;
    std::array<QColor, Lines> m_lineColors;
    QColor m_background, m_axisGrid;
    std::array<ColumnStation, CountColumns> m_columnStations;
};
