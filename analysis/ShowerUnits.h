// The observers' units of a shower profile: solar longitude at the middle of
// a counting hour, Jenniskens' slopes B+ and B- per degree of solar
// longitude, and the full width at half maximum.
#pragma once

#include <QDate>

namespace ShowerUnits {

// A count of hour hh UT is taken at hh:30 UT, the middle of the hour it
// counts, as meteor work does. Solar longitude in degrees, J2000.0.
double solarLongitudeOfHour(const QDate &date, int hour);

// The Julian day (UT) of a time given as hours after the start (hh:00 UT)
// of a date's hour: the middle of a counting hour is `hours` = n + 0.5.
double julianDayAfter(const QDate &date, int hour, double hours);

// The Sun's motion in solar longitude, degrees per hour, at a Julian day:
// about 0.0411 (0.953 degrees a day in early July, 1.019 in early January).
double degreesPerHour(double jd);

// Jenniskens' slope: a profile 10^(-B |lambda - lambda_max|) has B =
// 1 / (s ln 10) per degree for an e-folding length s in degrees, s being
// the scale in hours times the Sun's rate at the maximum.
double slopePerDegree(double scaleHours, double degreesPerHour);

// The full width at half maximum of exp(-(P - t) / a) before P and
// exp(-(t - P) / b) after it: (a + b) ln 2, in the unit of a and b.
double fwhm(double a, double b);

} // namespace ShowerUnits
