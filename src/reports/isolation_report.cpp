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

// The axis's ticks, each a whole multiple of the step (a sum of steps would
// label 0 as 1.38778e-17).
std::vector<double> ticks_of(const Axis& axis) {
    std::vector<double> ticks;
    const double first = std::round(axis.low / axis.step), last = std::round(axis.high / axis.step);
    for (double k = first; k <= last; ++k) ticks.push_back(k * axis.step);
    return ticks;
}

// Distances in km for the ticks of the log axis: 1, 2 and 5 times powers of
// ten from the one at or below the shortest distance to the one at or above
// the longest; powers of ten only when that makes too many.
std::vector<double> log_ticks(const std::vector<double>& ln_km) {
    constexpr std::size_t MOST = 10;
    if (ln_km.empty()) return {1, 10};
    const double shortest = std::exp(*std::min_element(ln_km.begin(), ln_km.end()));
    const double longest = std::exp(*std::max_element(ln_km.begin(), ln_km.end()));
    const int low = static_cast<int>(std::floor(std::log10(shortest)));
    const int high = static_cast<int>(std::ceil(std::log10(longest)));
    std::vector<double> ticks;
    for (int e = low; e <= high && (ticks.empty() || ticks.back() < longest); ++e) {
        for (const double m : {1.0, 2.0, 5.0}) {
            const double km = m * std::pow(10.0, e);
            if (km <= shortest)
                ticks.assign(1, km);
            else if (ticks.empty() || ticks.back() < longest)
                ticks.push_back(km);
        }
    }
    if (ticks.size() == 1) ticks.push_back(2 * ticks.front());  // every pair at one distance
    if (ticks.size() <= MOST) return ticks;
    ticks.clear();
    const int stride = (high - low + static_cast<int>(MOST) - 2) / (static_cast<int>(MOST) - 1);
    for (int e = low; e < high + stride; e += stride) ticks.push_back(std::pow(10.0, e));
    return ticks;
}

// Text as XML character data.
std::string xml_text(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

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
    appendf(out, "%s\t%s\t%zu\t%zu", scales.genetic == GeneticScale::rousset ? "rousset" : "fst",
            scales.geographic == GeographicScale::log ? "log" : "linear", result.samples_used, result.pairs_used);
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
    std::vector<double> x, y;
    for (const IsolationPair& pair : result.pairs) {
        if (pair.exclusion != Exclusion::none) continue;
        x.push_back(pair.geographic);
        y.push_back(pair.genetic);
    }
    const bool log_scale = scales.geographic == GeographicScale::log;
    constexpr double W = 640, H = 500, LEFT = 80, RIGHT = 30, TOP = 50, BOTTOM = 80;
    const Axis ax = log_scale ? Axis{} : axis_of(x), ay = axis_of(y);
    const std::vector<double> km_ticks = log_scale ? log_ticks(x) : std::vector<double>{};
    const double x_low = log_scale ? std::log(km_ticks.front()) : ax.low;
    const double x_high = log_scale ? std::log(km_ticks.back()) : ax.high;
    auto px = [&](double v) { return LEFT + (v - x_low) / (x_high - x_low) * (W - LEFT - RIGHT); };
    auto py = [&](double v) { return H - BOTTOM - (v - ay.low) / (ay.high - ay.low) * (H - TOP - BOTTOM); };
    // No fixed size: the viewBox lets a browser scale the figure to its window.
    std::string out =
        strprintf("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" "
                  "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                  W, H);
    const std::string title = result.defined ? strprintf("Isolation by distance: r = %.3f, Mantel P = %.3g (%s)",
                                                         result.r, result.p, permutations_text(result).c_str())
                                             : std::string("Isolation by distance: no correlation (too few pairs)");
    appendf(out, "<text x=\"%.0f\" y=\"25\" text-anchor=\"middle\" font-size=\"14\">%s</text>\n", W / 2, title.c_str());
    appendf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"black\"/>\n", LEFT,
            TOP, W - LEFT - RIGHT, H - TOP - BOTTOM);
    auto x_tick = [&](double at, const std::string& label) {
        appendf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n", px(at), H - BOTTOM,
                px(at), H - BOTTOM + 4);
        appendf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", px(at), H - BOTTOM + 18,
                label.c_str());
    };
    if (log_scale) {
        for (const double km : km_ticks) x_tick(std::log(km), strprintf(km < 1 ? "%g" : "%.0f", km));
    } else {
        for (const double v : ticks_of(ax)) x_tick(v, strprintf("%g", v));
    }
    for (const double v : ticks_of(ay)) {
        appendf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n", LEFT - 4, py(v),
                LEFT, py(v));
        appendf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n", LEFT - 6, py(v) + 4, v);
    }
    appendf(out, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">%s</text>\n", W / 2, H - BOTTOM + 38,
            log_scale ? "distance (km, log scale)" : "distance (km)");
    appendf(out, "<text transform=\"translate(20 %.0f) rotate(-90)\" text-anchor=\"middle\">%s</text>\n",
            (H - BOTTOM + TOP) / 2, genetic_label(scales.genetic));
    for (std::size_t k = 0; k < x.size(); ++k)
        appendf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"steelblue\" fill-opacity=\"0.6\"/>\n", px(x[k]),
                py(y[k]));
    if (result.defined) {
        // The line over the distances observed only, clipped to the plot's vertical range.
        const double x0 = *std::min_element(x.begin(), x.end()), x1 = *std::max_element(x.begin(), x.end());
        appendf(out,
                "<clipPath id=\"plot\"><rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/></clipPath>\n"
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"firebrick\" stroke-width=\"2\" "
                "clip-path=\"url(#plot)\"/>\n",
                LEFT, TOP, W - LEFT - RIGHT, H - TOP - BOTTOM, px(x0), py(result.intercept + result.slope * x0), px(x1),
                py(result.intercept + result.slope * x1));
    }
    // The caption: which data, and how many pairs the figure shows.
    std::string caption = xml_text(data_name);
    if (!caption.empty()) caption += ": ";
    std::size_t left_out = 0;
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k) left_out += result.excluded[k];
    appendf(caption, "%s used, %zu left out", count_of(result.pairs_used, "pair", "pairs").c_str(), left_out);
    std::string causes;
    for (std::size_t k = 1; k < EXCLUSION_KINDS; ++k)
        if (result.excluded[k] > 0)
            appendf(causes, "%s%zu %s", causes.empty() ? "" : ", ", result.excluded[k], EXCLUSION_WORDS[k]);
    if (!causes.empty()) caption += " (" + causes + ")";
    appendf(out, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\" fill=\"dimgray\">%s</text>\n", W / 2, H - 12,
            caption.c_str());
    return out + "</svg>\n";
}

}  // namespace phenostat
