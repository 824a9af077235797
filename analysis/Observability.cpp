// How well a station sees a shower's radiant.
#include "Observability.h"

#include <algorithm>
#include <cmath>

namespace Observability {

namespace {

constexpr double Degree = 3.14159265358979323846 / 180.0;
constexpr double J2000 = 2451545.0;

} // namespace

double siderealDegrees(double jd)
{
    const double T = (jd - J2000) / 36525.0;
    const double theta = 280.46061837 + 360.98564736629 * (jd - J2000) + 0.000387933 * T * T -
                         T * T * T / 38710000.0;
    const double d = std::fmod(theta, 360.0);
    return d < 0 ? d + 360.0 : d;
}

double sinElevation(double jd, double latitude, double longitude, double ra, double dec)
{
    const double hourAngle = (siderealDegrees(jd) + longitude - ra) * Degree;
    const double phi = latitude * Degree, delta = dec * Degree;
    return std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(hourAngle);
}

double ofHour(double jd, double latitude, double longitude, double ra, double dec)
{
    double sum = 0;
    for (int q = 0; q < 4; ++q)
        sum += std::max(0.0, sinElevation(jd + (q + 0.5) / 96.0, latitude, longitude, ra, dec));
    return sum / 4;
}

} // namespace Observability
