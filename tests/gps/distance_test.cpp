// Distances and conversions of packed degrees-and-minutes values.
#include <gtest/gtest.h>

#include <cmath>

#include "gps/distance.h"

using velmor::gps::Distance;
using velmor::gps::PositionToRadians;

namespace {

double Degrees(double packed) { return PositionToRadians(packed) * 180.0 / 3.141592653589793; }

TEST(DistanceTest, ConvertsPackedDegreesAndMinutes) {
    EXPECT_NEAR(55.753333333333, Degrees(5545.2), 1e-9);
    EXPECT_NEAR(37.616666666667, Degrees(3737.0), 1e-9);
    EXPECT_NEAR(55.5, Degrees(5530.0), 1e-12) << "the guard keeps 30 minutes from becoming 29";
    EXPECT_NEAR(1.0, Degrees(100.0), 1e-12);
    EXPECT_NEAR(0.008333333333, Degrees(0.5), 1e-9);
    for (int minutes = 0; minutes < 60; ++minutes) {
        const double packed = 4200.0 + minutes;
        EXPECT_NEAR(42.0 + minutes / 60.0, Degrees(packed), 1e-9) << packed;
    }
}

TEST(DistanceTest, MatchesTheKnownDistances) {
    EXPECT_EQ(0.0, Distance(5545.2, 3737.0, 5545.2, 3737.0));
    EXPECT_NEAR(111699.654, Distance(5500.0, 3700.0, 5600.0, 3700.0), 1e-3);
    EXPECT_NEAR(64068.289, Distance(5500.0, 3700.0, 5500.0, 3800.0), 1e-3);
    // Not symmetric: only the first latitude's cosine is used.
    EXPECT_NEAR(626843.861, Distance(5545.2, 3737.0, 5945.2, 3037.0), 1e-3);
    EXPECT_NEAR(595390.677, Distance(5945.2, 3037.0, 5545.2, 3737.0), 1e-3);
    EXPECT_EQ(12800000.0, Distance(0, 0, 0, 18000.0));
    EXPECT_NEAR(0.0, Distance(0, 0, 0, 36000.0), 1e-8);
}

TEST(DistanceTest, SouthernAndWesternPositionsMirrorTheNorthernAndEastern) {
    // -37 degrees 30.5 minutes, not -37 degrees 29.5 minutes.
    EXPECT_NEAR(-37.508333333333, Degrees(-3730.5), 1e-9);
    EXPECT_NEAR(-37.5, Degrees(-3730.0), 1e-9);
    EXPECT_NEAR(-0.008333333333, Degrees(-0.5), 1e-9);
    // Rio de Janeiro to Sao Paulo, mirrored across the equator and the Greenwich meridian.
    const double south = Distance(-2254.0, -4312.0, -2333.0, -4638.0);
    const double north = Distance(2254.0, 4312.0, 2333.0, 4638.0);
    EXPECT_DOUBLE_EQ(north, south);
    EXPECT_NEAR(360000.0, south, 20000.0);
    // Across the equator: one degree of latitude either side.
    EXPECT_NEAR(2 * 111699.654 / 1.0, Distance(-100.0, 0, 100.0, 0), 50.0);
}

TEST(DistanceTest, WholePartsBeyondThirtyTwoBitsTruncateToTheLowestInteger) {
    // Such values truncate to INT32_MIN, as the x86 conversion of the Windows build gives them;
    // the first value still fits and truncates normally.
    const struct {
        double packed;
        double radians;
    } cases[] = {
        {2147483647.5, 374806.6083429989}, {2147483648.0, 999484.2660314579},
        {3e9, 1396263.4015954637},         {-3e9, -1396263.4015954637},
        {1e300, 2.908882086657216e+296},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(c.radians, PositionToRadians(c.packed)) << c.packed;
    EXPECT_TRUE(std::isnan(PositionToRadians(std::nan(""))));
    EXPECT_TRUE(std::isnan(Distance(std::nan(""), 0, 0, 0)));
}

}  // namespace
