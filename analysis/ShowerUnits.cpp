// The observers' units of a shower profile.
#include "ShowerUnits.h"

#include "SolarLongitude.h"

#include <cmath>

namespace ShowerUnits {

double julianDayAfter(const QDate &date, int hour, double hours)
{
    return SolarLongitude::julianDay(date, double(hour) + hours);
}

double solarLongitudeOfHour(const QDate &date, int hour)
{
    return SolarLongitude::ofJulianDay(julianDayAfter(date, hour, 0.5));
}

double degreesPerHour(double jd)
{
    // A central difference over one hour; the step across 360 degrees is
    // taken back into the circle.
    const double half = 0.5 / 24.0;
    double d = SolarLongitude::ofJulianDay(jd + half) - SolarLongitude::ofJulianDay(jd - half);
    if (d < -180)
        d += 360;
    return d;
}

double slopePerDegree(double scaleHours, double degreesPerHour)
{
    return 1.0 / (scaleHours * degreesPerHour * std::log(10.0));
}

double fwhm(double a, double b)
{
    return (a + b) * std::log(2.0);
}

} // namespace ShowerUnits
