#include "stats/geodesic.h"

#include <cmath>

namespace phenostat {
namespace {

// The printed distances depend on the last bits of these steps: every formula
// is evaluated exactly as written, left to right, with no regrouping.
constexpr double EQUATORIAL_RADIUS_KM = 6378.135;
constexpr double FLATTENING = 0.003352779454167505;  // 1/298.26
constexpr double R = 0.9966472205458325;             // 1 - f
constexpr double DEGREE_TO_RADIAN = 0.01745329252;   // this ten-digit value, not pi/180
constexpr double CONVERGENCE = 5e-12;                // radians of auxiliary longitude
constexpr int MAX_ROUNDS = 1000;

// The cosine of a latitude, kept positive at the poles: 90 degrees times the
// ten-digit constant lands just past pi/2, where the cosine is about -5e-12
// and would put the pole in the other hemisphere; its size is the overshoot.
double nonzero_cosine(double angle) {
    const double c = std::cos(angle);
    if (c < 0 && c > -1e-10) return -c;
    return c == 0 ? 1e-10 : c;
}

}  // namespace

std::optional<double> geodesic_distance_km(double lat1, double lon1, double lat2, double lon2) {
    if (lat1 == lat2 && lon1 == lon2) return 0.0;
    const double f = FLATTENING;
    const double phi1 = lat1 * DEGREE_TO_RADIAN;
    const double l1 = lon1 * DEGREE_TO_RADIAN;
    const double phi2 = lat2 * DEGREE_TO_RADIAN;
    const double l2 = lon2 * DEGREE_TO_RADIAN;

    // Reduced latitudes on the auxiliary sphere.
    const double g1 = nonzero_cosine(phi1);
    const double g2 = nonzero_cosine(phi2);
    const double tu1 = R * std::sin(phi1) / g1;
    const double tu2 = R * std::sin(phi2) / g2;
    const double cu1 = 1 / std::sqrt(tu1 * tu1 + 1);
    const double su1 = cu1 * tu1;
    const double cu2 = 1 / std::sqrt(tu2 * tu2 + 1);
    double s = cu1 * cu2;
    const double baz = s * tu2;
    const double faz = baz * tu1;

    // Iterate the longitude on the auxiliary sphere.
    double x = l2 - l1;
    double sy = 0, cy = 0, y = 0, c2a = 0, cz = 0, e = 0, d = 0;
    bool converged = false;
    for (int round = 0; round < MAX_ROUNDS && !converged; ++round) {
        const double sx = std::sin(x);
        const double cx = std::cos(x);
        const double p = cu2 * sx;
        const double q = baz - su1 * cu2 * cx;
        sy = std::sqrt(p * p + q * q);
        cy = s * cx + faz;
        y = std::atan2(sy, cy);
        const double sa = s * sx / sy;
        c2a = 1 - sa * sa;
        cz = 2 * faz;
        if (c2a > 0) cz = cy - cz / c2a;
        e = 2 * (cz * cz) - 1;
        const double k = ((4 - 3 * c2a) * f + 4) * c2a * f / 16;
        d = x;
        x = ((e * cy * k + cz) * sy * k + y) * sa;
        x = (1 - k) * x * f + l2 - l1;
        converged = std::fabs(d - x) <= CONVERGENCE;
    }
    if (!converged) return std::nullopt;

    // Series for the distance.
    x = std::sqrt((1 / (R * R) - 1) * c2a + 1) + 1;
    x = (x - 2) / x;
    const double h = (x * x / 4 + 1) / (1 - x);
    d = (0.375 * (x * x) - 1) * x;
    x = e * cy;
    s = 1 - 2 * e;
    const double distance =
        ((((4 * (sy * sy) - 3) * s * cz * d / 6 - x) * d / 4 + cz) * sy * d + y) * h * EQUATORIAL_RADIUS_KM * R;
    if (!std::isfinite(distance)) return std::nullopt;
    return distance;
}

}  // namespace phenostat
