// How well a station sees a shower's radiant: the factor the radiant's
// elevation puts on the shower's hourly count.
#pragma once

namespace Observability {

// Greenwich mean sidereal time in degrees (0 to 360) at a Julian day (UT),
// by Meeus (Astronomical Algorithms, 2nd ed., 12.4).
double siderealDegrees(double jd);

// The sine of the elevation of a radiant (right ascension and declination,
// degrees) above the horizon of a station (latitude north positive,
// longitude east positive, degrees) at a Julian day (UT). The radiant is
// taken at its equinox J2000.0 position: the precession to the date (a
// quarter of a degree in twenty years) is far below what the factor can
// tell.
double sinElevation(double jd, double latitude, double longitude, double ra, double dec);

// The observability of a radiant during the counting hour that starts at
// jd: the mean over the hour of sin(elevation) above the horizon and 0
// below it, taken at the middle of each quarter of the hour. A forward-
// scatter station's rate from a radiant grows about as the sine of its
// elevation and vanishes while the radiant is below the horizon.
double ofHour(double jd, double latitude, double longitude, double ra, double dec);

} // namespace Observability
