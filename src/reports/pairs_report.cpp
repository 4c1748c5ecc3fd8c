#include "reports/pairs_report.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "reports/plot.h"
#include "reports/report_page.h"

namespace phenostat {
namespace {

constexpr std::size_t MOST_VALUED = 30;     // samples whose cells show their values
constexpr std::size_t MOST_LABELLED = 100;  // samples named beside the rows, with tooltips
constexpr double SIGNIFICANT = 0.05;        // a pair's adjusted P below it: F'st told from chance
constexpr const char* MARK_NAME = "BH P \xe2\x89\xa5 0.05";

}  // namespace

std::vector<double> fst_distances(const std::vector<PairResult>& pairs, std::size_t sample_count) {
    std::vector<double> matrix(sample_count * sample_count, 0.0);
    for (const PairResult& pair : pairs)
        matrix[pair.first * sample_count + pair.second] = matrix[pair.second * sample_count + pair.first] =
            pair.fst_unshared;
    return matrix;
}

std::string fst_order_table(const Clustering& tree, const SampleCatalogue& catalogue) {
    std::string out = "position\tsample\tnumber\n";
    for (std::size_t k = 0; k < tree.order.size(); ++k)
        out.append(std::to_string(k + 1))
            .append("\t")
            .append(catalogue.samples[tree.order[k]].name)
            .append("\t")
            .append(std::to_string(tree.order[k] + 1))
            .append("\n");
    return out;
}

std::string fst_heatmap_plot(const std::vector<double>& fst, const Clustering& tree, const SampleCatalogue& catalogue,
                             std::string_view data_name, const std::vector<PairResult>& pairs,
                             const std::vector<double>& p_bh) {
    const std::size_t n = catalogue.sample_count();
    Heatmap map;
    map.count = n;
    map.values = fst;
    map.order = tree.order;
    for (const Sample& sample : catalogue.samples) map.labels.push_back(sample.name);
    map.show_labels = map.tips = n <= MOST_LABELLED;
    map.show_values = n <= MOST_VALUED;
    map.value_name = "F'st";
    std::size_t marks = 0;
    if (!p_bh.empty()) {
        map.marked.assign(n * n, 0);
        for (std::size_t k = 0; k < pairs.size() && k < p_bh.size(); ++k)
            if (p_bh[k] >= SIGNIFICANT) {
                map.marked[pairs[k].first * n + pairs[k].second] = map.marked[pairs[k].second * n + pairs[k].first] = 1;
                ++marks;
            }
        map.mark_name = MARK_NAME;
    }
    double low = 0, high = 0;
    for (const double value : fst)
        if (std::isfinite(value)) low = std::min(low, value), high = std::max(high, value);
    const double cell = std::clamp(560.0 / static_cast<double>(std::max<std::size_t>(n, 1)), 3.0, 28.0);
    const double side = cell * static_cast<double>(n), margin = map.show_labels ? 130 : 20, tree_height = 110;
    const double width = std::max(margin + side + 110, 480.0), height = 60 + tree_height + side + margin + 30;
    Plot plot(width, height, "fst_heatmap");
    const std::string title = "Pairwise F'st, samples in the order of their UPGMA tree";
    plot.title(title);
    plot.dendrogram(tree, margin, 50, cell, tree_height);
    plot.heatmap(map, margin, 60 + tree_height, cell, low, high);
    std::string caption = std::string(data_name) + (data_name.empty() ? "" : ": ") + count_of(n, "sample", "samples");
    if (!p_bh.empty())
        caption.append(", ")
            .append(count_of(marks, "pair", "pairs"))
            .append(" marked (Benjamini-Hochberg P at least 0.05)");
    if (!map.show_values) caption += strprintf(", cell values past %zu samples left to the tooltips", MOST_VALUED);
    if (!map.show_labels)
        caption += strprintf(", names and tooltips past %zu samples left to fst_order.tsv", MOST_LABELLED);
    plot.caption(caption);
    return plot.svg(title, "Heatmap of the F'st between every pair of samples, the samples ordered as the leaves of "
                           "the average-linkage (UPGMA) tree drawn above. " +
                               caption + ".");
}

std::string pairs_section(const std::vector<PairResult>& pairs, const std::string& heatmap, bool tested,
                          std::string_view files) {
    if (pairs.empty()) return html_paragraph("A single sample: no pair.");
    const auto [least, most] =
        std::minmax_element(pairs.begin(), pairs.end(),
                            [](const PairResult& a, const PairResult& b) { return a.fst_unshared < b.fst_unshared; });
    double sum = 0;
    for (const PairResult& pair : pairs) sum += pair.fst_unshared;
    std::string out = html_paragraph(strprintf("%s: F'st from %.4g to %.4g, mean %.4g.",
                                               count_of(pairs.size(), "pair", "pairs").c_str(), least->fst_unshared,
                                               most->fst_unshared, sum / static_cast<double>(pairs.size())));
    std::string caption = "The F'st of every pair of samples (unshared alleles), ordered by average-linkage "
                          "clustering; the darker the cell, the closer the two samples";
    if (tested)
        caption += ". A dot marks the pairs whose permutation test's Benjamini-Hochberg P is at least 0.05, whose "
                   "F'st is not told from chance (pairs.tsv holds every P)";
    return out + html_figure(heatmap, caption + ".", files);
}

}  // namespace phenostat
