#include "reports/pcoa_report.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "reports/plot.h"
#include "reports/report_page.h"

namespace phenostat {
namespace {

// Categories that colour and shape tell apart (category_marker repeats after).
constexpr std::size_t DISTINCT_MARKERS = 40;
// Legend rows drawn; past them the last row counts the others.
constexpr std::size_t LEGEND_ROWS = 24;

std::string number(double value) { return std::isfinite(value) ? shortest(value) : std::string("NA"); }

std::string axis_header(std::size_t axes) {
    std::string out;
    for (std::size_t k = 1; k <= axes; ++k) out.append("\taxis_").append(std::to_string(k));
    return out.append("\n");
}

void coordinates_row(std::string& out, const Ordination& ordination, std::size_t row) {
    for (std::size_t k = 0; k < ordination.axes; ++k) out.append("\t").append(number(ordination.coordinate(row, k)));
    out += "\n";
}

// The catalogue's sample of each data row.
std::vector<std::size_t> sample_of_rows(const SampleCatalogue& catalogue) {
    std::vector<std::size_t> sample_of;
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s)
        for (std::size_t row = catalogue.samples[s].first_row; row < catalogue.samples[s].end_row; ++row) {
            if (sample_of.size() <= row) sample_of.resize(row + 1);
            sample_of[row] = s;
        }
    return sample_of;
}

std::string percent_title(const Ordination& ordination, std::size_t axis) {
    if (axis >= ordination.axes) return strprintf("axis %zu", axis + 1);
    return strprintf("axis %zu (%.1f%%)", axis + 1, ordination.percent[axis]);
}

// The first two axes' coordinates (0 on an axis that is not there).
void first_two(const Ordination& ordination, std::size_t rows, Points& points) {
    for (std::size_t r = 0; r < rows; ++r) {
        points.x.push_back(ordination.axes > 0 ? ordination.coordinate(r, 0) : 0.0);
        points.y.push_back(ordination.axes > 1 ? ordination.coordinate(r, 1) : 0.0);
    }
}

}  // namespace

std::string pcoa_individuals_table(const IndividualOrdination& individuals, const Dataset& data) {
    const Ordination& ordination = individuals.ordination;
    std::string out = "individual\tsample\tnumber\tgroup" + axis_header(ordination.axes);
    const std::vector<std::size_t> sample_of = sample_of_rows(data.catalogue);
    for (std::size_t r = 0; r < individuals.rows.size(); ++r) {
        const std::size_t row = individuals.rows[r], s = sample_of[row];
        const Sample& sample = data.catalogue.samples[s];
        out.append(individual_label(data, row)).append("\t").append(sample.name).append("\t");
        out.append(std::to_string(s + 1)).append("\t").append(sample.group.empty() ? "NA" : sample.group);
        coordinates_row(out, ordination, r);
    }
    return out;
}

std::string pcoa_samples_table(const SampleOrdination& samples, const SampleCatalogue& catalogue) {
    const bool done = samples.status == SampleOrdinationStatus::done;
    const Ordination& ordination = samples.ordination;
    std::string out = "sample\tnumber" + axis_header(done ? ordination.axes : 0);
    if (!done) return out;
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s) {
        out.append(catalogue.samples[s].name).append("\t").append(std::to_string(s + 1));
        coordinates_row(out, ordination, s);
    }
    return out;
}

std::string pcoa_axes_table(const PcoaResult& pcoa) {
    std::string out = "ordination\taxis\teigenvalue\tpercent\tcumulative_percent\n";
    const auto rows = [&](const char* name, const Ordination& ordination) {
        for (std::size_t k = 0; k < ordination.eigenvalues.size(); ++k)
            out.append(strprintf("%s\t%zu\t", name, k + 1))
                .append(number(ordination.eigenvalues[k]))
                .append("\t")
                .append(number(ordination.percent[k]))
                .append("\t")
                .append(number(ordination.cumulative_percent[k]))
                .append("\n");
    };
    rows("individuals", pcoa.individuals.ordination);
    if (pcoa.samples.status == SampleOrdinationStatus::done) rows("samples", pcoa.samples.ordination);
    return out;
}

std::string pcoa_individuals_plot(const IndividualOrdination& individuals, const Dataset& data,
                                  std::string_view data_name) {
    const Ordination& ordination = individuals.ordination;
    const SampleCatalogue& catalogue = data.catalogue;
    Points points;
    first_two(ordination, individuals.rows.size(), points);
    // By sample while colour and shape tell them apart; else by group.
    const std::vector<std::size_t> sample_of = sample_of_rows(catalogue);
    const bool by_sample = catalogue.sample_count() <= DISTINCT_MARKERS;
    std::vector<std::string> names, groups;
    for (const Sample& sample : catalogue.samples) {
        names.push_back(sample.name);
        if (std::find(groups.begin(), groups.end(), sample.group) == groups.end()) groups.push_back(sample.group);
    }
    for (const std::size_t row : individuals.rows) {
        const Sample& sample = catalogue.samples[sample_of[row]];
        const auto group =
            static_cast<std::size_t>(std::find(groups.begin(), groups.end(), sample.group) - groups.begin());
        points.category.push_back(by_sample ? sample_of[row] : group);
        points.tip.push_back(individual_label(data, row));
    }
    if (!by_sample) {
        names = groups;
        for (std::string& name : names)
            if (name.empty()) name = "(no group)";
    }
    Plot plot(760, 560, "pcoa_individuals");
    const std::string title = strprintf("Principal coordinates of %s",
                                        count_of(individuals.rows.size(), "individual", "individuals").c_str());
    plot.title(title);
    Margins margins;
    margins.right = 190;
    plot.axes(margins, linear_scale(points.x), linear_scale(points.y), percent_title(ordination, 0),
              percent_title(ordination, 1));
    plot.scatter(points, PointStyle{2.5, "steelblue", 0.7});
    plot.legend(760 - 175, 60, names, LEGEND_ROWS);
    const std::string caption = std::string(data_name) + ": allele presence, by " + (by_sample ? "sample" : "group") +
                                thinned_note(individuals.rows.size());
    plot.caption(caption);
    return plot.svg(title, "Scatter plot of the individuals on the first two principal coordinates, one point each, "
                           "coloured by " +
                               std::string(by_sample ? "sample" : "group") + ". " + caption + ".");
}

std::string pcoa_samples_plot(const SampleOrdination& samples, const SampleCatalogue& catalogue,
                              std::string_view data_name) {
    const bool done = samples.status == SampleOrdinationStatus::done;
    Points points;
    if (done) first_two(samples.ordination, catalogue.sample_count(), points);
    for (std::size_t s = 0; done && s < catalogue.sample_count(); ++s) {
        points.label.push_back(catalogue.samples[s].name);
        points.tip.push_back(catalogue.samples[s].name);
    }
    Plot plot(640, 500, "pcoa_samples");
    const std::string title = done ? "Principal coordinates of the samples (F'st)"
                                   : "Principal coordinates of the samples: not computed";
    plot.title(title);
    plot.axes(Margins{}, linear_scale(points.x), linear_scale(points.y), percent_title(samples.ordination, 0),
              percent_title(samples.ordination, 1));
    plot.scatter(points);
    const std::string caption = std::string(data_name) + ": classical scaling of the pairwise F'st";
    plot.caption(caption);
    return plot.svg(title, "Scatter plot of the samples on the first two principal coordinates of their pairwise "
                           "F'st, one labelled point each. " +
                               caption + ".");
}

std::string pcoa_console_text(const PcoaResult& pcoa) {
    const Ordination& ordination = pcoa.individuals.ordination;
    std::string out = "principal coordinates: " + count_of(pcoa.individuals.rows.size(), "individual", "individuals") +
                      " on " + count_of(ordination.axes, "axis", "axes");
    if (ordination.axes >= 2)
        out += strprintf(", axes 1 and 2 %.1f%% and %.1f%% of the variation", ordination.percent[0],
                         ordination.percent[1]);
    else if (ordination.axes == 1)
        out += strprintf(", axis 1 %.1f%% of the variation", ordination.percent[0]);
    out += "\n";
    if (pcoa.samples.status == SampleOrdinationStatus::done && pcoa.samples.ordination.axes >= 2)
        out += strprintf("  samples: axes 1 and 2 %.1f%% and %.1f%% of the F'st matrix's trace\n",
                         pcoa.samples.ordination.percent[0], pcoa.samples.ordination.percent[1]);
    return out;
}

std::string pcoa_section(const PcoaResult& pcoa, const std::string& individuals_plot, const std::string& samples_plot,
                         const std::array<std::string, 2>& files) {
    std::string out = html_lines(pcoa_console_text(pcoa));
    out += html_figure(individuals_plot,
                       "The individuals on the first two principal coordinates of their allele "
                       "presence; the pointer names each.",
                       files[0]);
    if (pcoa.samples.status == SampleOrdinationStatus::done)
        out += html_figure(samples_plot, "The samples on the first two principal coordinates of their pairwise F'st.",
                           files[1]);
    return out;
}

std::vector<Warning> pcoa_warnings(const PcoaResult& pcoa) {
    std::vector<Warning> warnings;
    const std::vector<std::string>& left_out = pcoa.individuals.left_out;
    if (!left_out.empty()) {
        const std::string names = join_names(left_out);
        warnings.push_back({WarningKind::pcoa_untyped, names,
                            "the principal coordinates leave out " +
                                count_of(left_out.size(), "individual", "individuals") +
                                " typed at no locus: " + names + "."});
    }
    if (pcoa.samples.status == SampleOrdinationStatus::too_few_samples)
        warnings.push_back({WarningKind::pcoa_samples_skipped, "",
                            "the principal coordinates of the samples need three samples or more: none computed."});
    if (pcoa.samples.status == SampleOrdinationStatus::undefined_fst)
        warnings.push_back({WarningKind::pcoa_samples_skipped, "",
                            "some pair of samples has no F'st: the principal coordinates of the samples are not "
                            "computed."});
    return warnings;
}

}  // namespace phenostat
