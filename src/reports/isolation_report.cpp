#include "reports/isolation_report.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "reports/plot.h"
#include "reports/report_page.h"

namespace phenostat {
namespace {

const char* genetic_label(GeneticScale scale) { return scale == GeneticScale::rousset ? "F'st/(1-F'st)" : "F'st"; }
const char* geographic_label(GeographicScale scale) {
    return scale == GeographicScale::log ? "ln(distance in km)" : "distance (km)";
}

const char* const EXCLUSION_NAMES[EXCLUSION_KINDS] = {"used", "no_distance", "zero_distance", "fst_one",
                                                      "one_individual"};
// The same causes in the plot's caption.
const char* const EXCLUSION_WORDS[EXCLUSION_KINDS] = {"used", "no distance", "0 km", "F'st of 1", "one individual"};

std::string na_or(bool defined, double value) { return defined ? shortest(value) : std::string("NA"); }

// "999 permutations", or "exact: all 24 permutations" when every one was compared.
std::string permutations_text(const IsolationResult& result) {
    const std::string count = count_of(static_cast<std::size_t>(result.permutations), "permutation", "permutations");
    return result.exact ? "exact: all " + count : count;
}

// The caption: which data, and how many pairs the figure shows.
std::string plot_caption(const IsolationResult& result, std::string_view data_name) {
    std::string caption(data_name);
    if (!caption.empty()) caption += ": ";
    std::size_t left_out = 0;
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k) left_out += result.excluded[k];
    appendf(caption, "%s used, %zu left out", count_of(result.pairs_used, "pair", "pairs").c_str(), left_out);
    std::string causes;
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k)
        if (result.excluded[k] > 0)
            appendf(causes, "%s%zu %s", causes.empty() ? "" : ", ", result.excluded[k], EXCLUSION_WORDS[k]);
    if (!causes.empty()) caption += " (" + causes + ")";
    return caption + thinned_note(result.pairs_used);
}

}  // namespace

const char* genetic_scale_name(GeneticScale scale) { return scale == GeneticScale::rousset ? "rousset" : "fst"; }
const char* geographic_scale_name(GeographicScale scale) { return scale == GeographicScale::log ? "log" : "linear"; }

std::string isolation_console_text(const IsolationResult& result, IsolationScales scales) {
    std::string out = "isolation by distance: " + count_of(result.pairs_used, "pair", "pairs") + " of " +
                      count_of(result.samples_used, "sample", "samples") + " used";
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k)
        if (result.excluded[k] > 0) appendf(out, ", %zu left out (%s)", result.excluded[k], EXCLUSION_NAMES[k]);
    out += "\n";
    if (!result.defined) return out + "  too few pairs, or distances that do not vary: no correlation\n";
    appendf(out, "  %s on %s: r = %.4f, slope = %.6g, intercept = %.6g; Mantel P = %.4g (%s)\n",
            genetic_label(scales.genetic), geographic_label(scales.geographic), result.r, result.slope,
            result.intercept, result.p, permutations_text(result).c_str());
    return out;
}

std::string isolation_table(const IsolationResult& result, IsolationScales scales, std::uint64_t seed) {
    // One header line and one row, so that each column reads with its type.
    std::string out = "genetic_distance\tgeographic_distance\tsamples_used\tpairs_used";
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k) appendf(out, "\tpairs_left_out_%s", EXCLUSION_NAMES[k]);
    out += "\tr\tslope\tintercept\tpermutations\tp_value\tseed\n";
    appendf(out, "%s\t%s\t%zu\t%zu", genetic_scale_name(scales.genetic), geographic_scale_name(scales.geographic),
            result.samples_used, result.pairs_used);
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k) appendf(out, "\t%zu", result.excluded[k]);
    for (const double value : {result.r, result.slope, result.intercept}) {
        out += '\t';
        out += na_or(result.defined, value);
    }
    appendf(out, "\t%ld\t", result.permutations);
    out += na_or(result.defined, result.p);
    appendf(out, "\t%llu\n", static_cast<unsigned long long>(seed));
    return out;
}

std::string isolation_pairs_table(const IsolationResult& result, const std::vector<PairResult>& pairs,
                                  const SampleCatalogue& catalogue) {
    std::string out = "sample_a\tnumber_a\tsample_b\tnumber_b\tkm\tfst\tgenetic\tgeographic\tused\n";
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const PairResult& pair = pairs[k];
        const IsolationPair& ibd = result.pairs[k];
        const bool located = pair.distance == DistanceStatus::found;
        const bool used = ibd.exclusion == Exclusion::none;
        out += catalogue.samples[pair.first].name + "\t" + std::to_string(pair.first + 1) + "\t" +
               catalogue.samples[pair.second].name + "\t" + std::to_string(pair.second + 1) + "\t" +
               na_or(located, pair.km) + "\t" + shortest(pair.fst_unshared) + "\t" +
               na_or(ibd.exclusion != Exclusion::fst_one, ibd.genetic) + "\t" +
               na_or(located && ibd.exclusion != Exclusion::zero_distance, ibd.geographic) + "\t" +
               (used ? "yes" : "no") + "\n";
    }
    return out;
}

std::string isolation_plot(const IsolationResult& result, IsolationScales scales, std::string_view data_name) {
    // The log axis is drawn in km: its ticks are distances.
    const bool log_km = scales.geographic == GeographicScale::log;
    auto km_axis = [&](double geographic) { return log_km ? std::exp(geographic) : geographic; };
    Points points;
    for (const IsolationPair& pair : result.pairs) {
        if (pair.exclusion != Exclusion::none) continue;
        points.x.push_back(km_axis(pair.geographic));
        points.y.push_back(pair.genetic);
    }
    Plot plot(640, 500);
    const std::string title = result.defined ? strprintf("Isolation by distance: r = %.3f, Mantel P = %.3g (%s)",
                                                         result.r, result.p, permutations_text(result).c_str())
                                             : std::string("Isolation by distance: no correlation (too few pairs)");
    plot.title(title);
    const char* x_title = log_km ? "distance (km, log scale)" : "distance (km)";
    plot.axes(Margins{}, log_km ? log_scale(points.x) : linear_scale(points.x), linear_scale(points.y), x_title,
              genetic_label(scales.genetic));
    plot.scatter(points);
    std::string description = strprintf("Scatter plot of %s against %s, one point per pair of samples used",
                                        genetic_label(scales.genetic), x_title);
    if (result.defined) {
        // The line over the distances observed only.
        double x0 = INFINITY, x1 = -INFINITY;
        for (const IsolationPair& pair : result.pairs) {
            if (pair.exclusion != Exclusion::none) continue;
            x0 = std::min(x0, pair.geographic);
            x1 = std::max(x1, pair.geographic);
        }
        plot.segment(km_axis(x0), result.intercept + result.slope * x0, km_axis(x1),
                     result.intercept + result.slope * x1, "firebrick", 2);
        description += ", and the least-squares line";
    }
    const std::string caption = plot_caption(result, data_name);
    plot.caption(caption);
    return plot.svg(title, description + ". " + caption + ".");
}

}  // namespace phenostat

namespace phenostat {

std::string isolation_section(const IsolationResult& result, IsolationScales scales, const std::string& plot,
                              std::string_view files) {
    return html_lines(isolation_console_text(result, scales)) +
           html_figure(plot,
                       "Genetic against geographic distance for every pair of samples used, with the "
                       "least-squares line.",
                       files);
}

}  // namespace phenostat
