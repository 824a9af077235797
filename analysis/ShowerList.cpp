// The showers a radio observer stacks.
#include "ShowerList.h"

#include "SolarLongitude.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace ShowerList {

namespace {

// IMO Meteor Shower Calendar 2025 (IMO INFO(3.1-24), ed. J. Rendtel),
// Tables 5 and 7, pp. 25 and 27; drifts from its Table 6 (p. 26), or from
// the IAU MDC radar solutions (Brown et al. 2008, 2010) for ZPE, BTA, APS,
// NOC, OCE, SMA and KLE. DSX's declination sign is Table 5's (Table 7
// prints none).
const std::vector<Shower> Showers = {
    {"QUA", 10, "Quadrantids", 12, 28, 1, 12, 283.15, 230, 49, 0.68, -0.19, false, false},
    {"LYR", 6, "April Lyrids", 4, 14, 4, 30, 32.32, 271, 34, 1.06, 0.00, false, false},
    {"ETA", 31, "eta-Aquariids", 4, 19, 5, 28, 45.5, 338, -1, 0.85, 0.40, false, false},
    {"ARI", 171, "Daytime Arietids", 5, 25, 6, 20, 77.0, 43, 24, 1.00, 0.00, true, false},
    {"ZPE", 172, "Daytime zeta-Perseids", 5, 30, 6, 20, 78.6, 67, 23, 1.00, 0.20, true, true},
    {"BTA", 173, "Daytime beta-Taurids", 6, 15, 7, 5, 94, 82, 20, 0.89, 0.04, true, false},
    {"SDA", 5, "Southern delta-Aquariids", 7, 12, 8, 23, 128, 340, -16, 0.75, 0.21, false, false},
    {"CAP", 1, "alpha-Capricornids", 7, 3, 8, 15, 128, 307, -10, 0.91, 0.27, false, false},
    {"PER", 7, "Perseids", 7, 17, 8, 24, 140.0, 48, 58, 1.42, 0.20, false, false},
    {"DRA", 9, "October Draconids", 10, 6, 10, 10, 195.4, 262, 54, 0.00, 0.00, false, false},
    {"ORI", 8, "Orionids", 10, 2, 11, 7, 208, 95, 16, 0.65, 0.08, false, false},
    {"STA", 2, "Southern Taurids", 9, 20, 11, 20, 223, 52, 15, 0.76, 0.19, false, false},
    {"NTA", 17, "Northern Taurids", 10, 20, 12, 10, 230, 58, 22, 0.87, 0.16, false, false},
    {"LEO", 13, "Leonids", 11, 6, 11, 30, 235.27, 152, 22, 0.60, -0.26, false, false},
    {"GEM", 4, "Geminids", 12, 4, 12, 20, 262.2, 112, 33, 1.00, -0.06, false, false},
    {"URS", 15, "Ursids", 12, 17, 12, 26, 270.7, 217, 76, 0.00, -0.40, false, false},
    {"APS", 144, "Daytime April Piscids", 4, 20, 4, 25, 32.6, 5, 5, 0.94, 0.42, true, true},
    {"NOC", 152, "Daytime Northern omega-Cetids", 5, 1, 5, 17, 45.5, 9, 17, 0.95, 0.36, true,
     false},
    {"OCE", 153, "Daytime Southern omega-Cetids", 5, 1, 5, 17, 45.5, 20, -6, 0.93, 0.44, true,
     false},
    {"SMA", 156, "Daytime Southern May Arietids", 5, 1, 5, 17, 47.1, 28, 8, 0.92, 0.32, true,
     false},
    {"KLE", 212, "Daytime kappa-Leonids", 9, 20, 9, 30, 183, 162, 15, 0.62, -0.30, true, false},
    {"DSX", 221, "Daytime Sextantids", 9, 15, 10, 5, 188, 156, -2, 1.00, 0.00, true, false},
};

constexpr double DaysPerDegree = 365.2422 / 360.0;

double wrapped(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace

const std::vector<Shower> &all()
{
    return Showers;
}

const Shower *find(const QString &code)
{
    for (const Shower &s : Showers)
        if (code.compare(QLatin1String(s.code), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

Span activity(const Shower &shower)
{
    const int year = 2025;
    const bool overTurn = shower.fromMonth > shower.toMonth;
    const QDate first(overTurn ? year - 1 : year, shower.fromMonth, shower.fromDay);
    const QDate last(year, shower.toMonth, shower.toDay);
    Span s;
    s.from = std::floor(SolarLongitude::at(first, 0) * 100) / 100;
    const double end = SolarLongitude::at(last, 24);
    s.to = std::ceil((end < s.from ? end + 360 : end) * 100) / 100;
    return s;
}

Track trackOf(const Shower &shower)
{
    return {shower.lambdaMax, shower.ra, shower.dec, shower.dra, shower.ddec};
}

Radiant radiantAt(const Track &track, double lambda)
{
    // The days from lambda0, the shorter way round the circle.
    const double days = std::remainder(lambda - track.lambda0, 360.0) * DaysPerDegree;
    Radiant r;
    r.ra = wrapped(track.ra + track.dra * days);
    r.dec = std::clamp(track.dec + track.ddec * days, -90.0, 90.0);
    return r;
}

} // namespace ShowerList
