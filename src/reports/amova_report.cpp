#include "reports/amova_report.h"

#include <cmath>

#include "base/text.h"
#include "reports/report_page.h"
#include "reports/tidy_tables.h"

namespace phenostat {
namespace {

const char* const LEVEL_NAMES[3] = {"among_groups", "among_samples_within_groups", "within_samples"};

std::string row(std::initializer_list<std::string> fields) {
    std::string out;
    for (const std::string& field : fields) {
        if (!out.empty()) out.push_back('\t');
        out.append(field);
    }
    out.push_back('\n');
    return out;
}

std::string level_name(const AmovaResult& amova, std::size_t level) {
    return !amova.three_levels && level == AMONG_SAMPLES ? "among_samples" : LEVEL_NAMES[level];
}

double ratio(double a, double b) { return b == 0.0 ? std::nan("") : a / b; }

double total_sigma2(const AmovaResult& amova) { return amova.sigma2[0] + amova.sigma2[1] + amova.sigma2[2]; }

// The Phi statistics that apply, with their names.
std::vector<std::pair<const char*, const PhiTest*>> phis(const AmovaResult& amova) {
    if (!amova.three_levels) return {{"phi_st", &amova.phi_st}};
    return {{"phi_st", &amova.phi_st}, {"phi_sc", &amova.phi_sc}, {"phi_ct", &amova.phi_ct}};
}

std::string p_text(const PhiTest& test) {
    return test.permutations == 0 ? std::string("NA") : shortest(test.p_value());
}

}  // namespace

std::string amova_table(const AmovaResult& amova) {
    const bool defined = amova.contributing_loci > 0;
    const double total = total_sigma2(amova);
    std::string out = "source\tdf\tss\tms\tsigma2\tpercent\n";
    for (std::size_t level = amova.three_levels ? 0 : 1; level < 3; ++level)
        out += row({level_name(amova, level), shortest(amova.df[level]), shortest(amova.ss[level]),
                    shortest(ratio(amova.ss[level], amova.df[level])), defined ? shortest(amova.sigma2[level]) : "NA",
                    defined ? shortest(100.0 * ratio(amova.sigma2[level], total)) : "NA"});
    out += row({"total", shortest(amova.total_df), shortest(amova.total_ss),
                shortest(ratio(amova.total_ss, amova.total_df)), defined ? shortest(total) : "NA",
                defined && total != 0.0 ? "100" : "NA"});
    return out;
}

std::string amova_phi_table(const AmovaResult& amova) {
    std::string out = "statistic\tvalue\tpermutations\tp_value\n";
    for (const auto& [name, test] : phis(amova))
        out += row({name, shortest(test->value), std::to_string(test->permutations), p_text(*test)});
    return out;
}

std::string phipt_matrix(const std::vector<double>& phi_st, const SampleCatalogue& catalogue) {
    // Laid out by the F'st matrix's own code, each pair's value in its place.
    std::vector<PairResult> pairs;
    pairs.reserve(phi_st.size());
    const std::vector<SamplePair> order = sample_pairs(catalogue.sample_count());
    for (std::size_t k = 0; k < order.size(); ++k) {
        PairResult pair;
        pair.first = order[k].first;
        pair.second = order[k].second;
        pair.fst_unshared = phi_st[k];
        pairs.push_back(pair);
    }
    return fst_matrix(pairs, catalogue);
}

std::string amova_console_text(const AmovaResult& amova) {
    std::string out = "AMOVA on allele presence: " + count_of(amova.individuals, "individual", "individuals") + ", " +
                      count_of(amova.sample_count, "sample", "samples");
    if (amova.three_levels) out += ", " + count_of(amova.group_count, "group", "groups");
    out += ", " + count_of(amova.contributing_loci, "locus", "loci") + " contributing\n";
    const double total = total_sigma2(amova);
    const bool defined = amova.contributing_loci > 0 && total != 0.0;
    for (std::size_t level = amova.three_levels ? 0 : 1; level < 3; ++level)
        out +=
            strprintf("  %-28s df %-8s sigma2 ", level_name(amova, level).c_str(), shortest(amova.df[level]).c_str()) +
            (defined ? strprintf("%-10.6g %5.1f%%\n", amova.sigma2[level], 100.0 * amova.sigma2[level] / total)
                     : std::string("NA\n"));
    for (const auto& [name, test] : phis(amova)) {
        std::string p = test->permutations == 0 ? "P = NA" : strprintf("P = %.4g", test->p_value());
        if (test->exact)
            p += ", exact: all " +
                 count_of(static_cast<std::size_t>(test->permutations), "rearrangement", "rearrangements");
        out += std::isfinite(test->value) ? strprintf("  %s = %.6f (%s)\n", name, test->value, p.c_str())
                                          : strprintf("  %s = NA (%s)\n", name, p.c_str());
    }
    return out;
}

std::string amova_section(const AmovaResult& amova) {
    std::string summary = amova_console_text(amova);
    summary.erase(summary.find('\n'));
    return html_paragraph(summary + ".") + html_table_from_tsv(amova_table(amova)) +
           html_table_from_tsv(amova_phi_table(amova));
}

std::vector<Warning> amova_warnings(const AmovaResult& amova) {
    std::vector<Warning> warnings;
    if (!amova.left_out.empty()) {
        const std::string names = join_names(amova.left_out);
        const char* samples = amova.left_out.size() == 1 ? "the sample" : "the samples";
        warnings.push_back({WarningKind::amova_ungrouped, names,
                            std::string("the AMOVA leaves out ") + samples + " in no group: " + names + "."});
    }
    if (amova.contributing_loci == 0)
        warnings.push_back(
            {WarningKind::amova_no_locus, "",
             "no locus has a degree of freedom at every level of the AMOVA (each needs two samples, or groups, "
             "typed there and a sample with two typed individuals): its components and Phi values are NA."});
    return warnings;
}

}  // namespace phenostat
