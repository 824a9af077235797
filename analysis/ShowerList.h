// The showers a radio observer stacks: the IMO's working lists, compiled in.
#pragma once

#include <QString>

#include <vector>

namespace ShowerList {

// One shower of the IMO Meteor Shower Calendar 2025 (Table 5, the visual
// working list, for the night-time showers; Table 7, the daytime radio
// list, for the daytime ones). The solar longitude of the maximum refers to
// the equinox J2000.0 and holds for every year; the activity period is given
// as month and day, as the calendar gives it (for 2025). The radiant (J2000,
// degrees) holds at the maximum; its drift, in degrees per day, is the
// least-squares slope through the calendar's Table 6 positions, or the IAU
// Meteor Data Center's daily motion of the radar solution where Table 6 has
// none.
struct Shower {
    const char *code; // IMO code, "QUA"
    int iau;          // IAU number
    const char *name; // in English, as the IMO writes it
    int fromMonth, fromDay, toMonth, toDay;
    double lambdaMax; // degrees
    double ra, dec;   // degrees at the maximum
    double dra, ddec; // degrees per day
    bool daytime;     // in the daytime radio list
    // The sources disagree about the radiant (ZPE: the IMO's right
    // ascension is that of a since-corrected radar solution, 2-6 degrees
    // too large; APS: radiant and maximum are not consistent): the radiant's
    // observability is then only as good as these numbers.
    bool radiantDoubtful;
};

const std::vector<Shower> &all();
// The shower of an IMO code (any letter case), or nullptr.
const Shower *find(const QString &code);

// The solar longitudes the activity period spans: from the start (00h UT)
// of its first day to the end (24h UT) of its last, in 2025, rounded out
// to 0.01 degree. A period that runs over the turn of the year (QUA,
// December 28 to January 12) starts in December 2024. The calendar calls
// the daytime showers' periods tentative.
struct Span {
    double from = 0, to = 0; // degrees; to may pass 360
};
Span activity(const Shower &shower);

// A radiant and its drift: the position (J2000, degrees) at the solar
// longitude lambda0 and its motion in degrees per day.
struct Track {
    double lambda0 = 0, ra = 0, dec = 0, dra = 0, ddec = 0;
};
Track trackOf(const Shower &shower);

// The radiant at a solar longitude: moved from lambda0 by its daily drift
// for the days between (a degree of solar longitude is 365.2422 / 360 days
// on average).
struct Radiant {
    double ra = 0, dec = 0; // degrees
};
Radiant radiantAt(const Track &track, double lambda);

} // namespace ShowerList
