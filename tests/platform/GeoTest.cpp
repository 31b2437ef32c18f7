#include "platform/Geo.h"

#include <gtest/gtest.h>

using platform::geoDistanceMetres;

TEST(Geo, GreatCircleDistances)
{
    EXPECT_DOUBLE_EQ(geoDistanceMetres(48.85, 2.35, 48.85, 2.35), 0.0);
    // One degree along a meridian is 2 pi R / 360.
    EXPECT_NEAR(geoDistanceMetres(10.0, 20.0, 11.0, 20.0), 111195.08, 0.5);
    // Symmetric, and across the equator and the prime meridian.
    EXPECT_NEAR(geoDistanceMetres(-0.5, -0.5, 0.5, 0.5), geoDistanceMetres(0.5, 0.5, -0.5, -0.5), 1e-6);
    EXPECT_NEAR(geoDistanceMetres(0.0, -0.5, 0.0, 0.5), 111195.08, 0.5);
    // Antipodes: half the circumference.
    EXPECT_NEAR(geoDistanceMetres(0.0, 0.0, 0.0, 180.0), 20015114.0, 5.0);
    // Half a metre north.
    EXPECT_NEAR(geoDistanceMetres(33.9, 151.2, 33.9 + 0.5 / 111195.08, 151.2), 0.5, 1e-3);
}
