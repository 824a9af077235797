// The Sun's longitude by the low-precision solar theory of Meeus.
#include "SolarLongitude.h"

#include <cmath>

namespace SolarLongitude {

namespace {

constexpr double J2000 = 2451545.0;
constexpr double Degree = 3.14159265358979323846 / 180.0;

double normalized(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace

double julianDay(const QDate &date, double hours)
{
    // A Julian day number counts from noon: midnight is half a day before.
    return double(date.toJulianDay()) - 0.5 + hours / 24.0;
}

double trueLongitudeOfDate(double jd)
{
    const double T = (jd - J2000) / 36525.0; // Julian centuries since J2000.0
    const double L0 = 280.46646 + 36000.76983 * T + 0.0003032 * T * T;
    const double M = (357.52911 + 35999.05029 * T - 0.0001537 * T * T) * Degree;
    const double C = (1.914602 - 0.004817 * T - 0.000014 * T * T) * std::sin(M) +
                     (0.019993 - 0.000101 * T) * std::sin(2 * M) + 0.000289 * std::sin(3 * M);
    return normalized(L0 + C);
}

double ofJulianDay(double jd)
{
    const double years = (jd - J2000) / 365.25;
    return normalized(trueLongitudeOfDate(jd) - 0.01397 * years);
}

double at(const QDate &date, double hours)
{
    return ofJulianDay(julianDay(date, hours));
}

} // namespace SolarLongitude
