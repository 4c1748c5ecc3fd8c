#include "reports/isolation_report.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"

namespace phenostat {
namespace {

const char* genetic_label(GeneticScale scale) { return scale == GeneticScale::rousset ? "F'st/(1-F'st)" : "F'st"; }
const char* geographic_label(GeographicScale scale) {
    return scale == GeographicScale::log ? "ln(distance in km)" : "distance (km)";
}

const char* const EXCLUSION_NAMES[EXCLUSION_KINDS] = {"used", "no_distance", "zero_distance", "fst_one"};

std::string na_or(bool defined, double value) { return defined ? shortest(value) : std::string("NA"); }

// Round tick steps (1, 2 or 5 times a power of ten) giving about five ticks.
double tick_step(double span) {
    if (span <= 0) return 1;
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// An axis range [low, high] widened to whole ticks.
struct Axis {
    double low, high, step;
};
Axis axis_of(const std::vector<double>& values) {
    double low = values.empty() ? 0 : *std::min_element(values.begin(), values.end());
    double high = values.empty() ? 1 : *std::max_element(values.begin(), values.end());
    if (high == low) {
        low -= 0.5;
        high += 0.5;
    }
    const double step = tick_step(high - low);
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

}  // namespace

std::string isolation_console_text(const IsolationResult& result, IsolationScales scales) {
    std::string out = strprintf("isolation by distance: %zu pairs of %zu samples used", result.pairs_used,
                                result.samples_used);
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k)
        if (result.excluded[k] > 0) appendf(out, ", %zu left out (%s)", result.excluded[k], EXCLUSION_NAMES[k]);
    out += "\n";
    if (!result.defined) return out + "  too few pairs, or distances that do not vary: no correlation\n";
    appendf(out, "  %s on %s: r = %.4f, slope = %.6g, intercept = %.6g; Mantel P = %.4g (%d permutations)\n",
            genetic_label(scales.genetic), geographic_label(scales.geographic), result.r, result.slope,
            result.intercept, result.p, result.permutations);
    return out;
}

std::string isolation_table(const IsolationResult& result, IsolationScales scales, std::uint64_t seed) {
    std::string out = "key\tvalue\n";
    appendf(out, "genetic_distance\t%s\n", scales.genetic == GeneticScale::rousset ? "rousset" : "fst");
    appendf(out, "geographic_distance\t%s\n", scales.geographic == GeographicScale::log ? "log" : "linear");
    appendf(out, "samples_used\t%zu\npairs_used\t%zu\n", result.samples_used, result.pairs_used);
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k)
        appendf(out, "pairs_left_out_%s\t%zu\n", EXCLUSION_NAMES[k], result.excluded[k]);
    out += "r\t" + na_or(result.defined, result.r) + "\n";
    out += "slope\t" + na_or(result.defined, result.slope) + "\n";
    out += "intercept\t" + na_or(result.defined, result.intercept) + "\n";
    appendf(out, "permutations\t%d\n", result.permutations);
    out += "p_value\t" + na_or(result.defined, result.p) + "\n";
    appendf(out, "seed\t%llu\n", static_cast<unsigned long long>(seed));
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

std::string isolation_plot(const IsolationResult& result, IsolationScales scales) {
    std::vector<double> x, y;
    for (const IsolationPair& pair : result.pairs) {
        if (pair.exclusion != Exclusion::none) continue;
        x.push_back(pair.geographic);
        y.push_back(pair.genetic);
    }
    constexpr double W = 640, H = 480, LEFT = 80, RIGHT = 20, TOP = 50, BOTTOM = 60;
    const Axis ax = axis_of(x), ay = axis_of(y);
    auto px = [&](double v) { return LEFT + (v - ax.low) / (ax.high - ax.low) * (W - LEFT - RIGHT); };
    auto py = [&](double v) { return H - BOTTOM - (v - ay.low) / (ay.high - ay.low) * (H - TOP - BOTTOM); };
    std::string out = strprintf(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
        "font-family=\"sans-serif\" font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        W, H, W, H);
    const std::string title = result.defined ? strprintf("Isolation by distance: r = %.3f, Mantel P = %.3g (%d permutations)",
                                                         result.r, result.p, result.permutations)
                                             : std::string("Isolation by distance: no correlation (too few pairs)");
    appendf(out, "<text x=\"%.0f\" y=\"25\" text-anchor=\"middle\" font-size=\"14\">%s</text>\n", W / 2,
            title.c_str());
    appendf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"black\"/>\n", LEFT,
            TOP, W - LEFT - RIGHT, H - TOP - BOTTOM);
    for (double v = ax.low; v <= ax.high + ax.step / 2; v += ax.step)
        appendf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n", px(v), H - BOTTOM + 18, v);
    for (double v = ay.low; v <= ay.high + ay.step / 2; v += ay.step)
        appendf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n", LEFT - 6, py(v) + 4, v);
    appendf(out, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">%s</text>\n", W / 2, H - 15,
            geographic_label(scales.geographic));
    appendf(out, "<text transform=\"translate(20 %.0f) rotate(-90)\" text-anchor=\"middle\">%s</text>\n",
            (H - BOTTOM + TOP) / 2, genetic_label(scales.genetic));
    for (std::size_t k = 0; k < x.size(); ++k)
        appendf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"steelblue\" fill-opacity=\"0.6\"/>\n", px(x[k]),
                py(y[k]));
    if (result.defined) {
        // The line, clipped to the plot's vertical range.
        const double x0 = ax.low, x1 = ax.high;
        appendf(out,
                "<clipPath id=\"plot\"><rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/></clipPath>\n"
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"firebrick\" stroke-width=\"2\" "
                "clip-path=\"url(#plot)\"/>\n",
                LEFT, TOP, W - LEFT - RIGHT, H - TOP - BOTTOM, px(x0), py(result.intercept + result.slope * x0),
                px(x1), py(result.intercept + result.slope * x1));
    }
    return out + "</svg>\n";
}

}  // namespace phenostat
