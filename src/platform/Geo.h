#pragma once

namespace platform {

// Mean radius of the WGS-84 ellipsoid, in metres.
inline constexpr double kWgs84MeanRadiusMetres = 6371008.8;

// Great-circle (haversine) distance between two positions given in signed decimal degrees
// (north and east positive), in metres.
double geoDistanceMetres(double latitude1, double longitude1, double latitude2, double longitude2);

} // namespace platform
