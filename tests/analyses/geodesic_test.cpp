#include "analyses/geodesic.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "base/text.h"

namespace phenostat {
namespace {

std::string printed(std::optional<double> km) { return km ? strprintf("%f", *km) : "none"; }

TEST(GeodesicTest, KnownDistances) {
    // Arguments: latitude, longitude of point 1, then of point 2.
    EXPECT_EQ(printed(geodesic_distance_km(0, 0, 0, 1)), "111.319456");
    EXPECT_EQ(printed(geodesic_distance_km(0, 0, 1, 0)), "110.574361");
    EXPECT_EQ(printed(geodesic_distance_km(50, -5, 58, -3)), "899.937424");
    EXPECT_EQ(printed(geodesic_distance_km(58, -3, 50, -5)), "899.937424");
    EXPECT_EQ(printed(geodesic_distance_km(12.5, -70.25, 12.5, -70.25)), "0.000000");
}

TEST(GeodesicTest, NearlyAntipodalSitesGiveNoDistance) {
    EXPECT_EQ(geodesic_distance_km(0, 0, 0, 180), std::nullopt);
    EXPECT_EQ(geodesic_distance_km(0, 0, 0.5, 179.7), std::nullopt);
    EXPECT_EQ(geodesic_distance_km(NAN, 0, 1, 1), std::nullopt);
}

// An independent reference: integrate the geodesic equations on the ellipsoid
// (latitude, longitude and azimuth as functions of arc length) with RK4, and
// shoot for the end point by Newton's method on the start azimuth and length.
struct Ellipsoid {
    static constexpr double a = 6378.135;
    static constexpr double f = 0.003352779454167505;
    static constexpr double e2 = f * (2 - f);
};

using State = std::array<double, 3>;  // latitude, longitude, azimuth (radians)

State derivative(const State& y) {
    const double w = 1 - Ellipsoid::e2 * std::sin(y[0]) * std::sin(y[0]);
    const double n = Ellipsoid::a / std::sqrt(w);                       // prime vertical radius
    const double m = Ellipsoid::a * (1 - Ellipsoid::e2) / (w * std::sqrt(w));  // meridian radius
    return {std::cos(y[2]) / m, std::sin(y[2]) / (n * std::cos(y[0])), std::sin(y[2]) * std::tan(y[0]) / n};
}

State travel(State y, double length) {
    const int steps = static_cast<int>(std::ceil(length / 0.25)) + 1;
    const double h = length / steps;
    auto add = [](const State& y0, const State& k, double t) {
        return State{y0[0] + t * k[0], y0[1] + t * k[1], y0[2] + t * k[2]};
    };
    for (int i = 0; i < steps; ++i) {
        const State k1 = derivative(y);
        const State k2 = derivative(add(y, k1, h / 2));
        const State k3 = derivative(add(y, k2, h / 2));
        const State k4 = derivative(add(y, k3, h));
        for (int c = 0; c < 3; ++c) y[c] += h / 6 * (k1[c] + 2 * k2[c] + 2 * k3[c] + k4[c]);
    }
    return y;
}

double reference_distance_km(double lat1, double lon1, double lat2, double lon2) {
    const double to_radian = 0.01745329252;  // the program's own conversion
    const double p1 = lat1 * to_radian, l1 = lon1 * to_radian, p2 = lat2 * to_radian, l2 = lon2 * to_radian;
    // Start from the great circle on a sphere.
    double azimuth = std::atan2(std::sin(l2 - l1) * std::cos(p2),
                                std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(l2 - l1));
    double length = 6371.0 * std::acos(std::sin(p1) * std::sin(p2) + std::cos(p1) * std::cos(p2) * std::cos(l2 - l1));
    auto miss = [&](double az, double len) {
        const State end = travel({p1, l1, az}, len);
        return std::array<double, 2>{end[0] - p2, (end[1] - l2) * std::cos(p2)};
    };
    for (int round = 0; round < 20; ++round) {
        const auto r = miss(azimuth, length);
        if (std::hypot(r[0], r[1]) < 1e-14) break;
        const double da = 1e-7, dl = 1e-3;
        const auto ra = miss(azimuth + da, length);
        const auto rl = miss(azimuth, length + dl);
        const double j00 = (ra[0] - r[0]) / da, j01 = (rl[0] - r[0]) / dl;
        const double j10 = (ra[1] - r[1]) / da, j11 = (rl[1] - r[1]) / dl;
        const double det = j00 * j11 - j01 * j10;
        azimuth -= (r[0] * j11 - r[1] * j01) / det;
        length -= (j00 * r[1] - j10 * r[0]) / det;
    }
    return length;
}

TEST(GeodesicTest, AgreesWithNumericalIntegrationToAMillimetre) {
    struct Case {
        double lat1, lon1, lat2, lon2;
    };
    for (const Case& c : {Case{51.5, -0.13, 40.7, -74.0}, Case{10, 20, -20, 50}, Case{60, 100, 62, 140},
                          Case{50, -5, 58, -3}}) {
        const auto km = geodesic_distance_km(c.lat1, c.lon1, c.lat2, c.lon2);
        ASSERT_TRUE(km.has_value());
        EXPECT_NEAR(*km, reference_distance_km(c.lat1, c.lon1, c.lat2, c.lon2), 1e-6)
            << c.lat1 << "," << c.lon1 << " to " << c.lat2 << "," << c.lon2;
    }
}

}  // namespace
}  // namespace phenostat
