#pragma once
// Geodesic distance between two sample sites: Vincenty's inverse formula on
// the WGS 72 ellipsoid (a = 6378.135 km, f = 1/298.26).

#include <optional>

namespace phenostat {

// Distance in kilometres from point 1 to point 2, latitudes and longitudes in
// degrees. Equal points give 0. Returns nullopt when the longitude iteration
// has not converged within 1000 rounds (nearly antipodal sites) or the result
// is not finite.
std::optional<double> geodesic_distance_km(double lat1, double lon1, double lat2, double lon2);

}  // namespace phenostat
