// The program's settings in VEXLOR.ini: the one place that names its keys.
#pragma once

#include "IniFile.h"
#include "LanguageTexts.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
#include <map>
#include <vector>

// Section "self" holds the program's own settings (the language, the date
// format, the colours), section "station" the station block of Export for
// Network, section "columns" the stations of the count columns, section
// "window" what the window remembers between runs (its place, its page, the
// recent files, each file command's last folder), and one section per
// language code the interface texts. read()
// reads the file once and keeps typed values; the language's texts come
// from the same reading. A write goes through IniFile (and so through the
// one writer, SafeSave) and then changes the kept value; a failed write
// throws EIniFileError "Unable to write to <path>: <reason>" and changes
// nothing kept. A missing file, key or unreadable value gives the default.
//
// Where the file lies (locate()): a program run from its build folder or
// copied somewhere as a portable program keeps VEXLOR.ini beside itself; an
// installed program reads the shipped file under share/vexlor until the
// user's first change, which copies it to the user's configuration folder
// ($XDG_CONFIG_HOME/vexlor/VEXLOR.ini) and changes the copy, so it never
// writes into the installation.
class Settings {
public:
    static constexpr int Lines = 4; // observed, shower profile, shower, sporadic

    // The file that is read and written, and the shipped file that stands
    // in for it while it does not exist (empty for a portable program).
    struct Location {
        QString file;
        QString defaults;
    };

    // A portable program's file: VEXLOR.ini at path.
    explicit Settings(const QString &path = QString());
    explicit Settings(const Location &location);

    // The file next to the program (vexlor-fit's, or the window's ExeDir).
    static QString pathIn(const QString &directory);
    // The name of the file beside the program that makes an installed
    // program portable without a VEXLOR.ini beside it yet.
    static QString portableMarker();
    // Where the settings of the program in exeDir lie: beside it when a
    // VEXLOR.ini or the portable marker is there or when it is not an
    // installed program (no share/vexlor folder where the installation puts
    // it); otherwise the user's configuration folder, with the shipped file
    // as the defaults.
    static Location locate(const QString &exeDir);

    // The file written (the user's, also before it exists).
    const QString &path() const { return m_location.file; }
    const Location &location() const { return m_location; }

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
    // Several columns' stations in one write: all of them kept, or none.
    void setColumnStations(const std::map<int, ColumnStation> &stations);
    void setColumnStation(int column, const ColumnStation &station)
    {
        setColumnStations({{column, station}});
    }

    // The texts of a language section, from the same reading as the values
    // above (a read after the last write).
    LanguageTexts texts(const QString &code) const { return LanguageTexts(m_file, code); }

    // Section "window". The files and folders are kept percent-encoded
    // (ASCII, blanks and quotes kept), so that any name survives a settings
    // file of any encoding.
    static constexpr int RecentCount = 8;
    // "Recent1" to "Recent8": the files opened, imported or saved last, the
    // newest first.
    const QStringList &recentFiles() const { return m_recent; }
    // "Folder<command>": the folder a file command used last; empty when
    // none is remembered.
    QString lastFolder(const QString &command) const;
    // "Geometry", "State": the window's place and its bars as Qt saves
    // them; "Page": the page shown last.
    const QByteArray &windowGeometry() const { return m_geometry; }
    const QByteArray &windowState() const { return m_windowState; }
    int page() const { return m_page; }

    // The recent files (the first RecentCount) and the last folders of
    // commands (by command), in one write.
    void setRecentFiles(const QStringList &files, const std::map<QString, QString> &folders = {});
    void setWindowPlace(const QByteArray &geometry, const QByteArray &state, int page);

    void setLanguage(const QString &code);
    void setLineColor(int line, const QColor &color);
    void setBackground(const QColor &color);
    void setAxisGrid(const QColor &color);
    void setStationValue(const QString &field, const QString &value);

private:
    // The file to read: the user's, or the shipped one until the user's exists.
    QString readPath() const;
    // The user's file for a write; the first write of an installed program
    // makes it a copy of the shipped file.
    const IniFile &writable();

    Location m_location;
    IniFile m_file;
    QString m_language, m_dateFormat;
    std::array<QColor, Lines> m_lineColors;
    QColor m_background, m_axisGrid;
    std::array<ColumnStation, CountColumns> m_columnStations;
    QStringList m_recent;
    QByteArray m_geometry, m_windowState;
    int m_page = 0;
};
