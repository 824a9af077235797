// Synthetic tables of one shower over several years and stations, with a
// known maximum and known slopes: the truth the stacked fit must find. The
// tests and the benchmarks share it.
#pragma once

#include "analysis/Bootstrap.h"
#include "analysis/Observability.h"
#include "analysis/ShowerList.h"
#include "analysis/ShowerSeasons.h"
#include "analysis/SolarLongitude.h"
#include "app/DateConv.h"
#include "table/GridModel.h"

#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace StackedSynthetic {

// How the shower's rate follows the hour: the radiant's observability
// (the stacked fit's radiant model is then right), its square root (a
// station whose rate grows more slowly with the elevation: the model is
// then wrong), or a fixed wave by the hour of day.
enum class Modulation { SinElevation, SqrtSinElevation, HourWave };

struct Station {
    int column = 2; // table column: 2 Sum, 3 N1 ...
    QString name;
    double latitude = 50, longitude = 10;
    double sporadic = 40;  // mean sporadic count per hour
    double amplitude = 60; // shower count per hour at the maximum, radiant at the zenith
    double missing = 0;    // share of the hours without a count
};

struct Truth {
    double lambdaMax = 45.5, bPlus = 0.4, bMinus = 0.6;
    int firstYear = 2015, years = 6;
    double daysEachSide = 5;
    ShowerList::Track radiant{45.5, 338, -1, 0.85, 0.40};
    Modulation modulation = Modulation::SinElevation;
    double yearSpread = 0.25; // the sporadic level of each year varies by this share
    double daySpread = 0;     // and of each day (normal, relative)
    std::vector<Station> stations;
};

inline double riseScale(const Truth &t)
{
    return 1 / (t.bPlus * std::log(10.0));
}
inline double decayScale(const Truth &t)
{
    return 1 / (t.bMinus * std::log(10.0));
}

// The Julian day at which the Sun reaches lambda in a year (near the
// date the longitude has in 2025).
inline double passage(double lambda, int year)
{
    double t = SolarLongitude::julianDay(QDate(year, 1, 1), 0) +
               std::remainder(lambda - 280.2, 360.0) / 0.9856;
    if (t < SolarLongitude::julianDay(QDate(year, 1, 1), 0))
        t += 365.2422;
    for (int i = 0; i < 4; ++i)
        t -= std::remainder(SolarLongitude::ofJulianDay(t) - lambda, 360.0) / 0.9856;
    return t;
}

inline double modulation(const Truth &t, const Station &s, double hourJd, int hour, double lambda)
{
    const ShowerList::Radiant r = ShowerList::radiantAt(t.radiant, lambda);
    switch (t.modulation) {
    case Modulation::SinElevation:
        return Observability::ofHour(hourJd, s.latitude, s.longitude, r.ra, r.dec);
    case Modulation::SqrtSinElevation: {
        double sum = 0;
        for (int q = 0; q < 4; ++q)
            sum += std::sqrt(
                std::max(0.0, Observability::sinElevation(hourJd + (q + 0.5) / 96.0, s.latitude,
                                                          s.longitude, r.ra, r.dec)));
        return sum / 4;
    }
    case Modulation::HourWave:
        return 0.3 + 0.7 * std::max(0.0, std::sin(2 * M_PI * (hour + 3) / 24));
    }
    return 1;
}

// The table: every hour from daysEachSide before to daysEachSide after
// the maximum of every year, each station's Poisson counts in its column
// (empty where its hour is missing).
inline void fill(GridModel &grid, const Truth &t, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double a = riseScale(t), b = decayScale(t);
    std::vector<GridRow> rows;
    for (int y = 0; y < t.years; ++y) {
        const int year = t.firstYear + y;
        const double peak = passage(t.lambdaMax, year);
        const qint64 firstHour = qint64(std::floor((peak - t.daysEachSide + 0.5) * 24));
        const qint64 lastHour = qint64(std::floor((peak + t.daysEachSide + 0.5) * 24));
        std::vector<double> yearLevel;
        for (size_t s = 0; s < t.stations.size(); ++s)
            yearLevel.push_back(std::max(0.3, 1 + t.yearSpread * normal(rng)));
        std::map<std::pair<size_t, qint64>, double> dayLevel;
        for (qint64 hn = firstHour; hn <= lastHour; ++hn) {
            // hn counts hours from the Julian day number's noon epoch - 12 h.
            const qint64 dayNumber = hn / 24;
            const int hour = int(hn % 24);
            const QDate date = QDate::fromJulianDay(dayNumber);
            const double hourJd = SolarLongitude::julianDay(date, hour);
            const double lambda = SolarLongitude::ofJulianDay(hourJd + 0.5 / 24);
            const double d = std::remainder(lambda - t.lambdaMax, 360.0);
            const double x = d <= 0 ? std::exp(d / a) : std::exp(-d / b);
            GridRow row;
            row.setCell(0, DateConv::toText(date));
            row.setCell(1, QString::number(hour));
            for (size_t s = 0; s < t.stations.size(); ++s) {
                const Station &st = t.stations[s];
                double day = 1;
                if (t.daySpread > 0) {
                    auto it = dayLevel.find({s, dayNumber});
                    if (it == dayLevel.end())
                        it = dayLevel
                                 .emplace(std::make_pair(s, dayNumber),
                                          std::max(0.3, 1 + t.daySpread * normal(rng)))
                                 .first;
                    day = it->second;
                }
                const double sporadic = st.sporadic * yearLevel[s] * day *
                                        (1 + 0.5 * std::cos(2 * M_PI * (hour - 6) / 24));
                const double shower = st.amplitude * modulation(t, st, hourJd, hour, lambda) * x;
                const int count = Bootstrap::poisson(sporadic + shower, rng);
                if (st.missing > 0 && uniform(rng) < st.missing)
                    continue;
                row.setCell(st.column, QString::number(count));
            }
            rows.push_back(row);
        }
    }
    grid.replaceRows(std::move(rows));
}

// Two stations of different places and levels, in Sum and N1.
inline std::vector<Station> twoStations()
{
    Station a;
    a.column = 2;
    a.name = QStringLiteral("Sum");
    a.latitude = 50.1;
    a.longitude = 14.4;
    a.sporadic = 40;
    a.amplitude = 60;
    Station b;
    b.column = 3;
    b.name = QStringLiteral("N1");
    b.latitude = 43.6;
    b.longitude = 1.4;
    b.sporadic = 25;
    b.amplitude = 45;
    return {a, b};
}

// The columns of the stack for the stations of a truth, with their places.
inline std::vector<ShowerSeasons::Column> columnsOf(const Truth &t)
{
    std::vector<ShowerSeasons::Column> out;
    for (const Station &s : t.stations) {
        ShowerSeasons::Column c;
        c.column = s.column;
        c.name = s.name;
        c.station.name = s.name;
        c.station.latitude = s.latitude;
        c.station.longitude = s.longitude;
        out.push_back(c);
    }
    return out;
}

} // namespace StackedSynthetic
