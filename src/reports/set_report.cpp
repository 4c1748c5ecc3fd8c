#include "reports/set_report.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "reports/plot.h"
#include "reports/report_page.h"

namespace phenostat {
namespace {

constexpr std::size_t MOST_LABELLED = 100;  // samples named beside their points
constexpr std::size_t LEGEND_ROWS = 24;
constexpr double LEAST_RADIUS = 2.5, MOST_RADIUS = 9;

// A point's area grows with its sample's individuals, from a visible dot.
double point_radius(std::size_t individuals, std::size_t largest) {
    const double share = static_cast<double>(individuals) / static_cast<double>(largest);
    return LEAST_RADIUS + (MOST_RADIUS - LEAST_RADIUS) * std::sqrt(share);
}

// The key to the points' sizes: the largest sample, and a half and a tenth of it.
void size_key(Plot& plot, std::size_t largest, double x, double y) {
    std::vector<double> radii;
    std::vector<std::string> names;
    for (const std::size_t n : {std::max<std::size_t>(largest / 10, 1), std::max<std::size_t>(largest / 2, 1), largest})
        if (names.empty() || names.back() != std::to_string(n)) {
            radii.push_back(point_radius(n, largest));
            names.push_back(std::to_string(n));
        }
    plot.size_legend(x, y, "individuals", radii, names);
}

// The bootstrap intervals of the plotted averages as lines across each
// point, and their ends, which the scales take in.
struct ErrorBars {
    std::vector<std::array<double, 4>> lines;  // x0, y0, x1, y1
    std::vector<double> x_ends, y_ends;
};
ErrorBars error_bars(const std::vector<LocusStats>& averages,
                     std::span<const std::array<Interval, STATISTIC_COUNT>> intervals) {
    constexpr std::size_t X = column_of(&LocusStats::alleles_per_sample), Y = column_of(&LocusStats::shannon_within);
    ErrorBars bars;
    for (std::size_t s = 0; s < std::min(intervals.size(), averages.size()); ++s) {
        const double x = averages[s].alleles_per_sample, y = averages[s].shannon_within;
        if (const Interval& i = intervals[s][X]; i.replicates > 0) {
            bars.lines.push_back({i.low, y, i.high, y});
            bars.x_ends.insert(bars.x_ends.end(), {i.low, i.high});
        }
        if (const Interval& i = intervals[s][Y]; i.replicates > 0) {
            bars.lines.push_back({x, i.low, x, i.high});
            bars.y_ends.insert(bars.y_ends.end(), {i.low, i.high});
        }
    }
    return bars;
}

}  // namespace

std::string per_sample_plot(const std::vector<LocusStats>& averages,
                            std::span<const std::array<Interval, STATISTIC_COUNT>> intervals,
                            const SampleCatalogue& catalogue, std::string_view data_name) {
    Points points;
    std::vector<std::string> groups;
    const bool labelled = averages.size() <= MOST_LABELLED;
    std::size_t largest = 1;
    for (const Sample& sample : catalogue.samples) largest = std::max(largest, sample.row_count());
    for (std::size_t s = 0; s < averages.size(); ++s) {
        const Sample& sample = catalogue.samples[s];
        auto group = std::find(groups.begin(), groups.end(), sample.group);
        if (group == groups.end()) group = groups.insert(groups.end(), sample.group);
        points.x.push_back(averages[s].alleles_per_sample);
        points.y.push_back(averages[s].shannon_within);
        points.category.push_back(static_cast<std::size_t>(group - groups.begin()));
        points.radius.push_back(point_radius(sample.row_count(), largest));
        if (labelled) points.label.push_back(sample.name);
        points.tip.push_back(strprintf("%s (%zu individuals): %.3g alleles per locus, Shannon-Weaver %.3g",
                                       sample.name.c_str(), sample.row_count(), averages[s].alleles_per_sample,
                                       averages[s].shannon_within));
    }
    for (std::string& name : groups)
        if (name.empty()) name = "(no group)";
    const ErrorBars bars = error_bars(averages, intervals);
    std::vector<double> xs = points.x, ys = points.y;
    xs.insert(xs.end(), bars.x_ends.begin(), bars.x_ends.end());
    ys.insert(ys.end(), bars.y_ends.begin(), bars.y_ends.end());
    Plot plot(760, 520, "per_sample");
    const std::string title = "Diversity within each sample";
    plot.title(title);
    Margins margins;
    margins.right = 190;
    plot.axes(margins, linear_scale(xs), linear_scale(ys), "distinct alleles per locus (mean)",
              "Shannon-Weaver phenotype diversity (mean)");
    for (const auto& [x0, y0, x1, y1] : bars.lines) plot.segment(x0, y0, x1, y1, "dimgray", 1);
    plot.scatter(points, PointStyle{4, "steelblue", 0.8});
    plot.legend(760 - 175, 60, groups, LEGEND_ROWS);
    size_key(plot, largest, 760 - 175, 80 + 16 * static_cast<double>(std::min(groups.size(), LEGEND_ROWS)));
    std::string caption = std::string(data_name) + (data_name.empty() ? "" : ": ") +
                          count_of(averages.size(), "sample", "samples") + " by group, point area by individuals";
    if (!intervals.empty()) caption += ", bars: 95% bootstrap intervals";
    if (!labelled) caption += strprintf(", names past %zu samples in the tooltips only", MOST_LABELLED);
    plot.caption(caption);
    return plot.svg(title, "Scatter plot of each sample's mean number of distinct alleles per locus against its mean "
                           "Shannon-Weaver phenotype diversity, one point per sample coloured by group and sized by "
                           "its number of individuals. " +
                               caption + ".");
}

std::string all_samples_section(const LocusStats& average) {
    const std::pair<const char*, double> rows[] = {
        {"distinct alleles per locus", average.alleles_seen},
        {"distinct alleles per locus within samples", average.alleles_per_sample},
        {"distinct phenotypes per locus", average.phenotypes_seen},
        {"Shannon-Weaver phenotype diversity, pooled", average.shannon_across},
        {"Shannon-Weaver phenotype diversity within samples", average.shannon_within},
        {"F'st (unshared alleles)", average.fst_unshared},
        {"F'st (Shannon-Weaver)", average.fst_shannon},
        {"F'st (p(1-p))", average.fst_pq},
    };
    std::vector<std::vector<std::string>> table;
    for (const auto& [name, value] : rows) table.push_back({name, strprintf("%.4g", value)});
    return html_paragraph("Averages across loci of the samples taken together (every statistic, per locus too, is in "
                          "the stats file and loci.tsv).") +
           html_table({"statistic", "average across loci"}, table);
}

std::string per_sample_section(const std::vector<LocusStats>& averages, const SampleCatalogue& catalogue,
                               const std::string& plot, bool intervals, std::string_view files) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t s = 0; s < averages.size(); ++s) {
        const LocusStats& a = averages[s];
        rows.push_back({std::to_string(s + 1), catalogue.samples[s].name,
                        std::to_string(catalogue.samples[s].row_count()), strprintf("%.3f", a.alleles_per_sample),
                        strprintf("%.3f", a.phenotypes_per_sample), strprintf("%.4f", a.shannon_within),
                        strprintf("%.4f", a.pq_within)});
    }
    std::string caption = "Each sample's averages across loci: more alleles and more even phenotype frequencies "
                          "lie up and to the right; the larger the point, the more individuals the sample has";
    if (intervals)
        caption += ". The bars span the 95% intervals of the averages over loci resampled by the bootstrap "
                   "(averages_ci.tsv)";
    return html_figure(plot, caption + ".", files) + html_table({"number", "sample", "individuals", "alleles per locus",
                                                                 "phenotypes per locus", "Shannon-Weaver", "p(1-p)"},
                                                                rows);
}

}  // namespace phenostat
