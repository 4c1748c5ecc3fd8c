// The geodesic distance on the WGS 72 ellipsoid against an independent
// computation: the arc length integrated numerically along the geodesic.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/program.h"

namespace phenostat {
namespace {

constexpr double A = 6378.135, F = 1 / 298.26, EP2 = F * (2 - F) / ((1 - F) * (1 - F)), RAD = std::numbers::pi / 180;

// On the auxiliary sphere (reduced latitudes b1, b2) a trial longitude
// difference w gives the arc sigma, the azimuth a0 at the equator and the
// arc's start from it. Along the geodesic ds = b sqrt(1 + k2 sin^2) and the
// ellipsoid's longitude falls behind w by f sin(a0) times the integral of
// (2 - f) / (1 + (1 - f) sqrt(1 + k2 sin^2)), k2 = e'^2 cos^2(a0): both
// integrals by Simpson's rule, w iterated until the longitudes agree.
double integrated_km(double lat1, double lon1, double lat2, double lon2) {
    const double b1 = std::atan((1 - F) * std::tan(lat1 * RAD)), b2 = std::atan((1 - F) * std::tan(lat2 * RAD));
    const double l = std::remainder((lon2 - lon1) * RAD, 2 * std::numbers::pi);
    double w = l, km = 0;
    const double c1 = std::cos(b1), s1 = std::sin(b1), c2 = std::cos(b2), s2 = std::sin(b2);
    for (int round = 0; round < 40; ++round) {
        const double x = c2 * std::sin(w), y = c1 * s2 - s1 * c2 * std::cos(w);
        const double sigma = std::atan2(std::hypot(x, y), s1 * s2 + c1 * c2 * std::cos(w));
        const double sin_a0 = c1 * c2 * std::sin(w) / std::sin(sigma);
        const double start = std::atan2(s1, std::cos(std::atan2(x, y)) * c1);
        const double k2 = EP2 * (1 - sin_a0 * sin_a0);
        const int n = 400;
        double length = 0, lag = 0;
        for (int i = 0; i <= n; ++i) {
            const double s = std::sin(start + sigma * i / n), root = std::sqrt(1 + k2 * s * s);
            const double weight = (i == 0 || i == n ? 1 : i % 2 ? 4 : 2) * sigma / n / 3;
            length += weight * root;
            lag += weight * (2 - F) / (1 + (1 - F) * root);
        }
        km = A * (1 - F) * length;
        w = l + F * sin_a0 * lag;
    }
    return km;
}

struct Case {
    double lat1, lon1, lat2, lon2;
};

void expect_distances(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        const std::optional<double> km = testing::geodesic_km(c.lat1, c.lon1, c.lat2, c.lon2);
        ASSERT_TRUE(km.has_value()) << c.lat1 << "," << c.lon1 << " to " << c.lat2 << "," << c.lon2;
        EXPECT_NEAR(*km, integrated_km(c.lat1, c.lon1, c.lat2, c.lon2), 5e-7)  // half a millimetre
            << c.lat1 << "," << c.lon1 << " to " << c.lat2 << "," << c.lon2;
    }
}

TEST(Geodesic, AgreesWithTheIntegratedArcLength) {
    expect_distances({{0, 0, 0, 1},
                      {0, 0, 1, 0},
                      {0, 0, 60, 0},
                      {-12, 30, 50, 30},  // along the equator, along meridians
                      {45, 7, 45.001, 7.002},
                      {50, -5, 58, -3},
                      {51.5, -0.13, 40.7, -74},
                      {10, 20, -20, 50},
                      {10, 179.5, -5, -178},
                      {-33.9, 151.2, 34, -118.2},  // across the date line
                      {80, 0, 80, 180},
                      {50, 10, 89.9999999, 0},  // over a pole, all but at one
                      {0, 0, 0.5, 179},
                      {-40, -60, 39.5, 118}});  // long but not antipodal
    EXPECT_EQ(testing::geodesic_km(12.5, -70.25, 12.5, -70.25), 0.0);
}

// A pole, whatever its longitude, is where the meridians meet.
TEST(Geodesic, ToAPole) { expect_distances({{50, 10, 90, 0}, {-90, 77, -30, 20}, {90, 0, -90, 0}}); }

TEST(Geodesic, NearlyAntipodalPointsGiveNoDistance) {
    EXPECT_EQ(testing::geodesic_km(0, 0, 0, 180), std::nullopt);
    EXPECT_EQ(testing::geodesic_km(0, 0, 0.5, 179.7), std::nullopt);
    EXPECT_EQ(testing::geodesic_km(NAN, 0, 1, 1), std::nullopt);
}

}  // namespace
}  // namespace phenostat
