#include "gps/distance.h"

#include <cmath>
#include <cstdint>

namespace velmor::gps {
namespace {

constexpr double kPacking = 100.0;
constexpr double kMinuteGuard = 0.001;
constexpr double kMinutesPerDegree = 60.0;
constexpr double kSecondsPerDegree = 3600.0;
constexpr double kPi = 3.141592653589793;
constexpr double kHalf = 0.5;
constexpr double kEarthDiameter = 12800000.0;

// Truncation toward zero through a signed 32-bit integer. A value whose whole part does not fit,
// or NaN, gives INT32_MIN, as the processor's truncating conversion does.
double Trunc(double x) {
    constexpr double kLimit = 2147483648.0;  // 2^31
    if (!(x > -kLimit - 1.0 && x < kLimit)) return static_cast<double>(INT32_MIN);
    return static_cast<double>(static_cast<std::int32_t>(x));
}

double MagnitudeToRadians(double x) {
    const double whole = Trunc(x);
    const double degrees = Trunc(x / kPacking);
    const double fraction = (x - whole) * kMinutesPerDegree / kSecondsPerDegree;
    const double minutes = Trunc((whole / kPacking - degrees) * kPacking + kMinuteGuard);
    const double value = (minutes / kMinutesPerDegree + degrees) + fraction;
    return value * kPi / 180.0;
}

}  // namespace

double PositionToRadians(double packed) {
    if (packed < 0) return -MagnitudeToRadians(-packed);
    return MagnitudeToRadians(packed);
}

double Distance(double latitude1, double longitude1, double latitude2, double longitude2) {
    const double l1 = PositionToRadians(latitude1);
    const double g1 = PositionToRadians(longitude1);
    const double l2 = PositionToRadians(latitude2);
    const double g2 = PositionToRadians(longitude2);
    const double u = std::sin((g2 - g1) * kHalf) * kEarthDiameter * std::cos(l1);
    const double v = std::sin((l2 - l1) * kHalf) * kEarthDiameter;
    return std::sqrt(v * v + u * u);
}

}  // namespace velmor::gps
