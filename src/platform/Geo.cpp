#include "platform/Geo.h"

#include <algorithm>
#include <cmath>

namespace platform {

double geoDistanceMetres(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double degrees = M_PI / 180.0;
    const double phi1 = latitude1 * degrees;
    const double phi2 = latitude2 * degrees;
    const double dPhi = (latitude2 - latitude1) * degrees;
    const double dLambda = (longitude2 - longitude1) * degrees;
    const double s1 = std::sin(dPhi / 2.0);
    const double s2 = std::sin(dLambda / 2.0);
    double h = s1 * s1 + std::cos(phi1) * std::cos(phi2) * s2 * s2;
    h = std::clamp(h, 0.0, 1.0);
    return 2.0 * kWgs84MeanRadiusMetres * std::asin(std::sqrt(h));
}

} // namespace platform
