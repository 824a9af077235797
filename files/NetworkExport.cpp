// The table's counts as the files the observers' network collects.
#include "NetworkExport.h"

#include "app/DateConv.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>

namespace NetworkExport {

namespace {

// The counts of one month, -1 for an hour without one.
struct Month {
    std::vector<std::array<int, 24>> days;
};

std::optional<double> decimal(const QString &text)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

QByteArray monthlyTable(int month, const Month &counts, const Station &station)
{
    QByteArray out = ObserverFiles::monthAbbreviation(month).latin1();
    out += '|';
    for (int h = 0; h < 24; ++h)
        out += QString::asprintf(" %02dh|", h).toLatin1();
    out += "\r\n";
    for (size_t d = 0; d < counts.days.size(); ++d) {
        // Three characters wide, as the header's month cell and every
        // other writer's day column.
        out += QString::asprintf(" %02d|", int(d) + 1).toLatin1();
        // Readers take a day whose cells are all 1111 or ??? for a day not
        // yet observed: such a day's real counts of 1111 are written as
        // 01111, which reads as the same number.
        const std::array<int, 24> &day = counts.days[d];
        const bool looksUnobserved =
            std::any_of(day.begin(), day.end(), [](int v) { return v >= 0; }) &&
            std::all_of(day.begin(), day.end(), [](int v) { return v < 0 || v == 1111; });
        for (int v : day)
            out += v < 0             ? QByteArray(" ???|")
                   : looksUnobserved ? QByteArray("01111|")
                                     : QString::asprintf("%4d|", v).toLatin1();
        out += "\r\n";
    }
    const auto value = [&](const char *key) {
        const auto it = station.find(QLatin1String(key));
        // A line end inside a value would end the block's line.
        return it == station.end() ? QString() : it->second.simplified();
    };
    const std::optional<double> lon = decimal(value("Longitude"));
    const std::optional<double> lat = decimal(value("Latitude"));
    for (const StationField &f : stationFields()) {
        QString text = value(f.setting);
        // The program that wrote the file, unless the user named another.
        if (text.isEmpty() && QByteArray(f.setting) == "SoftFTP")
            text = QString::fromLatin1(ProgramName);
        QByteArray key = f.block;
        // The place as the network's files give it: degrees, minutes and
        // seconds first, then both decimal values after the latitude.
        if (key == "Longitude" || key == "Latitude ") {
            const bool east = key == "Longitude";
            const std::optional<double> v = east ? lon : lat;
            text = v ? degreesText(*v, east ? 'E' : 'N', east ? 'W' : 'S') : QString();
            out += '[' + key + ']' + text.toUtf8() + "\r\n";
            if (!east)
                for (const auto &[name, gmap] :
                     {std::pair{"[Longitude GMAP]", lon}, std::pair{"[Latitude GMAP]", lat}})
                    out += QByteArray(name) +
                           (gmap ? QString::asprintf("%.6f", *gmap).toLatin1() : QByteArray()) +
                           "\r\n";
            continue;
        }
        out += '[' + key + ']' + text.toUtf8() + "\r\n";
    }
    return out;
}

QByteArray hourlyList(int year, int month, const Month &counts)
{
    QByteArray out;
    for (size_t d = 0; d < counts.days.size(); ++d)
        for (int h = 0; h < 24; ++h)
            if (const int v = counts.days[d][size_t(h)]; v >= 0)
                out += QString::asprintf("%04d%02d%02d%02d , %02d , %d\r\n", year, month,
                                         int(d) + 1, h, h, v)
                           .toLatin1();
    return out;
}

} // namespace

const std::vector<StationField> &stationFields()
{
    static const std::vector<StationField> fields = {
        {"Observer", "Observer"},
        {"Country", "Country"},
        {"City", "City"},
        {"Longitude", "Longitude"},
        {"Latitude", "Latitude "},
        {"Frequencies", "Frequencies"},
        {"Antenna", "Antenna"},
        {"AntennaAzimuth", "Azimut Antenna"},
        {"AntennaElevation", "Elevation Antenna"},
        {"PreAmplifier", "Pre-Amplifier"},
        {"Receiver", "Receiver"},
        {"ObservingMethod", "Observing Method"},
        {"Remarks", "Remarks"},
        {"SoftFTP", "Soft FTP"},
        {"Email", "E"},
    };
    return fields;
}

std::vector<File> ofMonth(const std::vector<File> &files, const QDate &month)
{
    std::vector<File> out;
    for (const File &f : files)
        if (f.month == month)
            out.push_back(f);
    return out;
}

QString fileNamePart(const QString &observer)
{
    QString out;
    for (QChar c : observer.trimmed())
        out += (c.isSpace() || c.category() == QChar::Other_Control ||
                QStringLiteral("/\\:*?\"<>|").contains(c))
                   ? QChar(u'_')
                   : c;
    return out;
}

bool placeInRange(const QString &field, const QString &value)
{
    const double limit = field == QLatin1String("Longitude")  ? 180
                         : field == QLatin1String("Latitude") ? 90
                                                              : 0;
    if (limit == 0 || value.trimmed().isEmpty())
        return true;
    const std::optional<double> v = decimal(value);
    return v && *v >= -limit && *v <= limit;
}

QString degreesText(double value, char positive, char negative)
{
    const qint64 seconds = std::llround(std::fabs(value) * 3600.0);
    return QString::asprintf("%03lldd%02lld%02lld %c", seconds / 3600, seconds / 60 % 60,
                             seconds % 60, value < 0 ? negative : positive);
}

std::vector<File> build(const GridModel &grid, int column, const Station &station)
{
    const auto observer = station.find(QStringLiteral("Observer"));
    const QString name = fileNamePart(observer == station.end() ? QString() : observer->second);
    if (name.isEmpty())
        throw VexlorError(QStringLiteral("The station has no observer's name for the file names"));

    std::map<int, Month> months; // by year * 12 + month - 1
    std::map<qint64, int> rowOfHour;
    for (int row = 1; row < grid.rowCountWithHeader(); ++row) {
        const QString dateText = grid.cell(0, row).trimmed();
        const QString hourText = grid.cell(1, row).trimmed();
        const QString countText = grid.cell(column, row).trimmed();
        if (dateText.isEmpty() && hourText.isEmpty())
            continue;
        const auto fail = [&](const QString &what) {
            throw VexlorError(QStringLiteral("Row %1 cannot be exported: %2").arg(row).arg(what));
        };
        const std::optional<QDate> date = DateConv::fromText(dateText);
        if (!date)
            fail(QStringLiteral("'%1' is not a date").arg(dateText));
        bool ok = false;
        const int hour = hourText.toInt(&ok);
        if (!ok || hour < 0 || hour > 23)
            fail(QStringLiteral("'%1' is not an hour of day (0 to 23)").arg(hourText));
        if (countText.isEmpty() || HourMarks::isMarked(grid, row))
            continue; // no count, or marked: "???" in the table, no line in the list
        const int count = countText.toInt(&ok);
        if (!ok || count < 0)
            fail(QStringLiteral("'%1' is not a count of 0 or more").arg(countText));
        if (date->year() < 1000 || date->year() > 9999)
            fail(QStringLiteral("the network's files hold years of four digits only"));
        Month &m = months[date->year() * 12 + date->month() - 1];
        if (m.days.empty()) {
            std::array<int, 24> none;
            none.fill(-1);
            m.days.assign(size_t(date->daysInMonth()), none);
        }
        int &cell = m.days[size_t(date->day() - 1)][size_t(hour)];
        const qint64 key = date->toJulianDay() * 24 + hour;
        if (cell >= 0 && cell != count)
            fail(QStringLiteral("its hour %1 %2h has the count %3 in row %4 already")
                     .arg(dateText)
                     .arg(hour)
                     .arg(cell)
                     .arg(rowOfHour[key]));
        cell = count;
        rowOfHour.emplace(key, row);
    }

    std::vector<File> files;
    for (const auto &[key, counts] : months) {
        const int year = key / 12, month = key % 12 + 1;
        files.push_back({QStringLiteral("%1_%2%3rmob.TXT")
                             .arg(name)
                             .arg(month, 2, 10, QChar(u'0'))
                             .arg(year, 4, 10, QChar(u'0')),
                         monthlyTable(month, counts, station), QDate(year, month, 1)});
        files.push_back({QStringLiteral("RMOB-%1%2.dat")
                             .arg(year, 4, 10, QChar(u'0'))
                             .arg(month, 2, 10, QChar(u'0')),
                         hourlyList(year, month, counts), QDate(year, month, 1)});
    }
    return files;
}

} // namespace NetworkExport
