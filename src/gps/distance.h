// Distance between two positions given as degrees x 100 + minutes.
#pragma once

namespace velmor::gps {

// A packed degrees-and-minutes value (5545.2 = 55 degrees 45.2 minutes) in radians. Negative
// values (southern latitudes, western longitudes) convert by their magnitude and keep the sign.
double PositionToRadians(double packed);

// Metres between (latitude1, longitude1) and (latitude2, longitude2), by the short-distance
// formula on a sphere of radius 6,400,000 m that uses the cosine of the first latitude.
double Distance(double latitude1, double longitude1, double latitude2, double longitude2);

}  // namespace velmor::gps
