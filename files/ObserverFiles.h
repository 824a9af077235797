// The hourly count files of radio meteor stations: reading them into table
// rows, several at once.
#pragma once

#include "app/Errors.h"
#include "table/GridRow.h"
#include "table/TableLimits.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace ObserverFiles {

// The layouts Import recognises, by content (and by name where the name
// holds the month or the date).
enum class Format {
    MonthlyTable, // <Observer>_MMYYYYrmob.TXT: a day per line, 24 cells ending in '|'
    HourlyList,   // RMOB-YYYYMM.dat: "YYYYMMDDHH , HH , count"
    DailyList,    // DDMMYYYY.STA: "hour;count"
    Csv,          // a header row naming Date, Hour, Sum, N1 ... N10
    Vexlor,       // the program's own tab-separated layout, UTF-8 or UTF-16
    LocalTable,   // a national monthly table in local time: "Mar| 00 01 ... 23JST", "10 | 2 2 ..."
    EchoLog,      // one line per echo, its time first: "2025-08-12 23:59:58 ..."
};

// How the hours of files are read. utcOffset: the files' hours are local
// time, so many hours ahead of UT (-12 to 14); a local-time monthly table
// that names its zone or its UT hours gives its own offset.
struct Options {
    std::optional<int> utcOffset;
};

// A local-time table that gives neither its zone nor its UT hours, read
// without an offset: the caller asks for one and reads again.
class ENeedsOffset : public VexlorError {
public:
    explicit ENeedsOffset(const QString &file)
        : VexlorError(QStringLiteral("\"%1\" is a table in local time that does not say how far "
                                     "its hours are from UT: give the offset (--utc-offset)")
                          .arg(file))
    {
    }
};
// The three lower-case letters that head a monthly table: "jan" for 1.
QLatin1String monthAbbreviation(int month);

// The most bytes a count file may have, and the most hours an import makes:
// as many as the table holds rows.
inline constexpr qint64 MaxFileSize = 512LL * 1024 * 1024;
inline constexpr qsizetype MaxHours = TableLimits::MaxRows;
// The most lines of a log of echoes (each line one echo): some 500 echoes
// an hour for four years. Its hours are held to MaxHours as any file's.
inline constexpr int MaxEchoLines = 16 * 1024 * 1024;
// The longest line a count file may have, in bytes; a day line of a monthly
// table has some 130, a CSV line with notes a few hundred.
inline constexpr qsizetype MaxLineBytes = 1024 * 1024;
// The most [Key]value lines of different keys a station block may have.
inline constexpr int MaxStationKeys = 1000;

// A file Import cannot take: the file, the line (0 where the fault is not
// on one line) and what was wrong.
class EImportError : public EInOutError {
public:
    EImportError(const QString &file, int line, const QString &reason);
    QString file() const { return m_file; }
    int line() const { return m_line; }
    QString reason() const { return m_reason; }

private:
    QString m_file;
    int m_line;
    QString m_reason;
};

// One observed hour: when (UT), the counts of Sum and N1 to N10 as the file
// gives them (NoCount where it has none), and where it came from. Kept
// small: an import may hold a million of them.
struct Hour {
    static constexpr qint32 NoCount = -1;
    QDate date;
    int hour = 0;
    int line = 0;
    std::array<qint32, 11> counts; // Sum, N1 ... N10
    QString file;                  // shared by every hour of the file
    QString mark;                  // "BAD:<reason>" for an hour marked as disturbed
    Hour() { counts.fill(NoCount); }
    // A count as the table holds it: digits, or empty for none.
    QString countText(int k) const
    {
        const qint32 v = counts[size_t(k)];
        return v == NoCount ? QString() : QString::number(v);
    }
    // Hours counted from the start of the Julian day number 0, for ordering.
    qint64 number() const { return date.toJulianDay() * 24 + hour; }
};

// The station block after a monthly table, as "[Key]value" lines give it.
using StationBlock = std::map<QString, QString>;

struct FileHours {
    Format format = Format::Vexlor;
    std::vector<Hour> hours;
    StationBlock station;
};

// Reads one file's bytes; name is the file's path, whose last part may hold
// the month (monthly table) or the date (daily list). Throws EImportError.
// The bytes are read a line at a time and every bound is checked as the
// lines come: a line longer than MaxLineBytes, more than MaxHours + 64
// lines, or more than MaxHours - hoursBefore hours (the hours of the files
// read before it) end the read before more memory is spent.
FileHours parse(const QByteArray &bytes, const QString &name, qsizetype hoursBefore = 0,
                const Options &options = {});
// The format of the bytes (by their first line that is not empty), or
// EImportError when they are none of them.
Format sniff(const QByteArray &bytes, const QString &name);

// Reads a file from disk (at most MaxFileSize bytes) and parses it.
FileHours read(const QString &path, qsizetype hoursBefore = 0, const Options &options = {});

// What an import found, for the summary shown after it.
struct Gap {
    QDate date; // the first missing hour (UT)
    int hour = 0;
    qint64 hours = 0; // how many follow one another
};
struct Summary {
    int files = 0;
    qsizetype hours = 0;
    qsizetype days = 0;
    qint64 missingHours = 0;   // between the first and the last hour
    qsizetype markedHours = 0; // hours marked as disturbed
    std::vector<Gap> gaps;     // the first MaxListedGaps of them
    qsizetype moreGaps = 0;    // the gaps not listed
};
inline constexpr int MaxListedGaps = 10;

struct Merged {
    std::vector<GridRow> rows; // date, hour, counts; in time order
    Summary summary;
};

// Merges the hours of several files into table rows in time order. An hour
// given by several files (or twice by one) is kept once, with the counts
// of every column any of them gives: two stations' files for the same
// month put into two columns make one row per hour. A column given two
// different counts for one hour fails the merge, naming the hour, the
// column and both files. Dates are written in the program's date format.
Merged merge(std::vector<FileHours> files);

// Puts a file's counts into one count column (0 Sum, 1 to 10 N1 to N10):
// every hour's Sum moves there. A file with counts in any other column
// than Sum is refused (EImportError): which of them would go where is not
// the file's to say.
void moveToColumn(FileHours &file, int column);

// The station a file comes from, as far as it says: the name from its
// station block's [Observer] (or, for a monthly table, the observer's part
// of its name), the place from [Latitude GMAP] and [Longitude GMAP] or
// from [Latitude] and [Longitude] as 050d3000 N (degrees, minutes,
// seconds), north and east positive; NaN where not given or not readable.
struct StationInfo {
    QString name;
    double latitude = std::nan(""), longitude = std::nan("");
};
StationInfo stationOf(const FileHours &file, const QString &path);

// Reads every file, then merges them; nothing is returned unless all of
// them read.
Merged import(const QStringList &paths, const Options &options = {});

// The hours a sorted, distinct list of observed hour numbers
// (Hour::number) leaves out between its first and last one.
Summary summarize(const std::vector<qint64> &observed, int files);

} // namespace ObserverFiles
