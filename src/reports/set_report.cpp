#include "reports/set_report.h"

#include <algorithm>

#include "base/text.h"
#include "reports/plot.h"
#include "reports/report_page.h"

namespace phenostat {
namespace {

constexpr std::size_t MOST_LABELLED = 100;  // samples named beside their points
constexpr std::size_t LEGEND_ROWS = 24;

}  // namespace

std::string per_sample_plot(const std::vector<LocusStats>& averages, const SampleCatalogue& catalogue,
                            std::string_view data_name) {
    Points points;
    std::vector<std::string> groups;
    const bool labelled = averages.size() <= MOST_LABELLED;
    for (std::size_t s = 0; s < averages.size(); ++s) {
        const Sample& sample = catalogue.samples[s];
        auto group = std::find(groups.begin(), groups.end(), sample.group);
        if (group == groups.end()) group = groups.insert(groups.end(), sample.group);
        points.x.push_back(averages[s].alleles_per_sample);
        points.y.push_back(averages[s].shannon_within);
        points.category.push_back(static_cast<std::size_t>(group - groups.begin()));
        if (labelled) points.label.push_back(sample.name);
        points.tip.push_back(strprintf("%s (%zu individuals): %.3g alleles per locus, Shannon-Weaver %.3g",
                                       sample.name.c_str(), sample.row_count(), averages[s].alleles_per_sample,
                                       averages[s].shannon_within));
    }
    for (std::string& name : groups)
        if (name.empty()) name = "(no group)";
    Plot plot(760, 520, "per_sample");
    const std::string title = "Diversity within each sample";
    plot.title(title);
    Margins margins;
    margins.right = 190;
    plot.axes(margins, linear_scale(points.x), linear_scale(points.y), "distinct alleles per locus (mean)",
              "Shannon-Weaver phenotype diversity (mean)");
    plot.scatter(points, PointStyle{4, "steelblue", 0.8});
    plot.legend(760 - 175, 60, groups, LEGEND_ROWS);
    std::string caption = std::string(data_name) + (data_name.empty() ? "" : ": ") +
                          count_of(averages.size(), "sample", "samples") + ", by group";
    if (!labelled) caption += strprintf(", names past %zu samples in the tooltips only", MOST_LABELLED);
    plot.caption(caption);
    return plot.svg(title, "Scatter plot of each sample's mean number of distinct alleles per locus against its mean "
                           "Shannon-Weaver phenotype diversity, one point per sample coloured by group. " +
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
                               const std::string& plot) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t s = 0; s < averages.size(); ++s) {
        const LocusStats& a = averages[s];
        rows.push_back({std::to_string(s + 1), catalogue.samples[s].name,
                        std::to_string(catalogue.samples[s].row_count()), strprintf("%.3f", a.alleles_per_sample),
                        strprintf("%.3f", a.phenotypes_per_sample), strprintf("%.4f", a.shannon_within),
                        strprintf("%.4f", a.pq_within)});
    }
    return html_figure(plot, "Each sample's averages across loci: more alleles and more even phenotype frequencies "
                             "lie up and to the right.") +
           html_table({"number", "sample", "individuals", "alleles per locus", "phenotypes per locus", "Shannon-Weaver",
                       "p(1-p)"},
                      rows);
}

}  // namespace phenostat
