// The table's counts as the files the observers' network collects: monthly
// '|' tables with the station block, and hourly lists.
#pragma once

#include "files/ObserverFiles.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

class GridModel;

namespace NetworkExport {

// The program's name and version, as [Soft FTP] gives the writer.
inline constexpr char ProgramName[] = "Vexlor 1.0";

// What the Station dialog edits: the settings key of each value, and the
// key of the station block it is written under.
struct StationField {
    const char *setting; // key in the [station] section of VEXLOR.ini
    const char *block;   // "[Key]" of the monthly table's station block
};
// Observer, Country, City, Longitude, Latitude (decimal degrees, east and
// north positive), Frequencies, Antenna, Azimut Antenna, Elevation Antenna,
// Pre-Amplifier, Receiver, Observing Method, Remarks, Soft FTP, E (e-mail).
const std::vector<StationField> &stationFields();
// Their setting keys, in the same order: the names the station's values go
// by in Station.
inline std::vector<QString> stationFieldNames()
{
    std::vector<QString> names;
    for (const StationField &f : stationFields())
        names.push_back(QLatin1String(f.setting));
    return names;
}

// The station's values by setting key.
using Station = ObserverFiles::StationBlock;

struct File {
    QString name;
    QByteArray bytes;
    QDate month; // the first day of the month the file holds
};

// The files for the counts of one table column (2 for Sum, 3 to 12 for N1
// to N10): for every month the table touches <Observer>_MMYYYYrmob.TXT
// (every day of the month, "???" where the table has no count, then the
// station block) and RMOB-YYYYMM.dat (one line per counted hour). Rows
// without a date and hour are passed over; a date, hour or count the files
// cannot hold, or an hour twice with different counts, fails with
// VexlorError naming the row.
std::vector<File> build(const GridModel &grid, int column, const Station &station);

// The files of one month (month's first day) of files, in their order.
std::vector<File> ofMonth(const std::vector<File> &files, const QDate &month);

// The observer's name as a part of a file name: characters that file
// systems refuse become '_'.
QString fileNamePart(const QString &observer);

// Whether the Station dialog takes a value of the field "Longitude" or
// "Latitude": empty, or decimal degrees (a comma for the point too) from
// -180 to 180, or -90 to 90. Any other field takes anything.
bool placeInRange(const QString &field, const QString &value);

// "010d3000 E" for 10.5, as the station block writes a place.
QString degreesText(double value, char positive, char negative);

} // namespace NetworkExport
