// The unshared-alleles F'st of every pair of samples, each pair analysed as a
// two-sample data set, optionally beside the distance between the two sites.

#include <cmath>
#include <optional>

#include "analyses/analysis_support.h"
#include "analyses/coordinates.h"
#include "analyses/geodesic.h"
#include "reports/output_file.h"
#include "reports/stats_file.h"
#include "base/text.h"

namespace phenostat {

namespace {

// The distance written on the line of the pair (i, j), from point 1 = sample j
// to point 2 = sample i; nothing when a site is unknown or the iteration fails.
std::optional<double> pair_distance(const Coordinates& sites, const SampleCatalogue& catalogue, std::size_t i,
                                    std::size_t j, Console& console) {
    if (!sites.has(i) || !sites.has(j)) return std::nullopt;
    const std::optional<double> km =
        geodesic_distance_km(sites.latitude[j], sites.longitude[j], sites.latitude[i], sites.longitude[i]);
    if (!km) {
        // A coordinate too large for a number (such as 1e999) reads as infinite.
        const bool finite = std::isfinite(sites.latitude[i]) && std::isfinite(sites.longitude[i]) &&
                            std::isfinite(sites.latitude[j]) && std::isfinite(sites.longitude[j]);
        console.print(strprintf("\nWarning: no distance could be calculated between %s and %s "
                                "(%s); it is written as NA",
                                catalogue.samples[i].name.c_str(), catalogue.samples[j].name.c_str(),
                                finite ? "nearly antipodal sites" : "a coordinate is not a finite number"));
    }
    return km;
}

}  // namespace

void run_pairwise_fst(const AnalysisContext& context, const std::string& coordinates_path) {
    const SampleCatalogue& catalogue = context.catalogue;
    const bool distances_on = !coordinates_path.empty();
    Coordinates sites;
    if (distances_on) {
        sites = read_coordinates_file(coordinates_path, catalogue.sample_count());
        context.console.print(coordinates_echo(sites, catalogue));
        context.console.pause();
    }

    const CodedLoci loci{context.coded, context.summaries};
    CombineScratch scratch;

    AppendFile stats(context.stats_path);
    stats.write(PAIRWISE_TITLE);
    context.console.print("\n\nDoing pairwise F'st");
    const std::size_t count = catalogue.sample_count();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            context.console.print(
                strprintf("\n\t%s vs. %s", catalogue.samples[i].name.c_str(), catalogue.samples[j].name.c_str()));
            const std::size_t pair[2] = {i, j};
            const LocusStats average = compute_compared_average(loci, pair, scratch, &context.console);
            const std::optional<double> km =
                distances_on ? pair_distance(sites, catalogue, i, j, context.console) : std::nullopt;
            stats.write(pair_line(catalogue.samples[i].name, catalogue.samples[j].name, average.fst_unshared, km,
                                  distances_on));
        }
    }
    stats.close();
}

}  // namespace phenostat
