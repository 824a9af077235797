// The Sun's longitude, the time scale of meteor showers.
#pragma once

#include <QDate>

namespace SolarLongitude {

// The Julian day of a date and a time of day in hours (UT).
double julianDay(const QDate &date, double hours);

// The Sun's geocentric longitude in degrees (0 to 360), referred to the
// equinox J2000.0, at a Julian day (UT), by the low-precision solar theory
// of Meeus (Astronomical Algorithms, 2nd ed., chapter 25: mean longitude,
// mean anomaly and equation of centre), good to about 0.01 degree; the
// precession since 2000.0 is taken out at 0.01397 degree per year. The
// difference of UT and dynamical time (about a minute, 0.001 degree) is
// not applied.
double ofJulianDay(double jd);

// The same at a date and an hour of day (UT).
double at(const QDate &date, double hours);

// The true longitude of date (before the precession is taken out), for the
// published checks of the theory.
double trueLongitudeOfDate(double jd);

} // namespace SolarLongitude
