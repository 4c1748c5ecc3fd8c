// Statistics of each group of samples, and a permutation test that shuffles
// whole samples between the groups.

#include "analyses/group_statistics.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "analyses/analysis_support.h"
#include "base/fatal_error.h"
#include "reports/output_file.h"
#include "reports/significance_report.h"
#include "reports/stats_file.h"
#include "base/text.h"

namespace phenostat {

GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue) {
    GroupCatalogue groups;
    groups.slots.assign(catalogue.sample_count(), NO_GROUP);
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s) {
        const std::string& group = catalogue.samples[s].group;
        if (group.empty()) continue;
        const auto found = std::find(groups.names.begin(), groups.names.end(), group);
        const auto g = static_cast<std::size_t>(found - groups.names.begin());
        if (found == groups.names.end()) {
            groups.names.push_back(group);
            groups.sizes.push_back(0);
        }
        groups.slots[s] = g;
        ++groups.sizes[g];
    }
    return groups;
}

void assign_groups(const std::vector<std::size_t>& order, const std::vector<std::size_t>& slots,
                   std::vector<std::size_t>& group_of) {
    group_of.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) group_of[order[k]] = slots[k];
}

std::vector<std::size_t> members_of(const std::vector<std::size_t>& group_of, std::size_t g) {
    std::vector<std::size_t> members;
    for (std::size_t s = 0; s < group_of.size(); ++s)
        if (group_of[s] == g) members.push_back(s);
    return members;
}

ComparedValues test_statistics(const std::vector<ComparedValues>& groups) {
    ComparedValues total{};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        for (std::size_t j = i + 1; j < groups.size(); ++j) {
            for (std::size_t k = 0; k < total.size(); ++k) {
                const double d = groups[i][k] - groups[j][k];
                total[k] += d * d;
            }
        }
    }
    return total;
}

namespace {

ComparedValues compared_values(const LocusStats& average) {
    ComparedValues values{};
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = average.*COMPARED_FIELDS[k];
    return values;
}

}  // namespace

void group_compared_values(const CodedLoci& loci, const std::vector<std::size_t>& group_of,
                           std::size_t group_count, GroupScratch& scratch, std::vector<LocusStats>& averages,
                           std::vector<ComparedValues>& values) {
    compute_group_averages(loci, group_of, group_count, scratch, averages);
    values.resize(group_count);
    for (std::size_t g = 0; g < group_count; ++g) values[g] = compared_values(averages[g]);
}

ComparedValues permutation_p_values(const CodedLoci& loci, const GroupCatalogue& groups,
                                    const ComparedValues& observed, int permutations, RandomGenerator& random,
                                    Console& console) {
    const std::size_t sample_count = groups.slots.size();
    std::vector<std::size_t> order(sample_count), group_of(sample_count);
    for (std::size_t s = 0; s < sample_count; ++s) order[s] = s;
    std::vector<ComparedValues> values;
    std::vector<LocusStats> averages;
    GroupScratch scratch;

    ComparedValues p_values{};
    for (int r = 0; r < permutations; ++r) {
        shuffle_samples(order, random);
        assign_groups(order, groups.slots, group_of);
        char line[32];  // formatted on the stack: the replicate loop allocates nothing
        const int length = std::snprintf(line, sizeof line, "\n\tRandomisation: %i", r);
        console.print(std::string_view(line, static_cast<std::size_t>(length)));
        group_compared_values(loci, group_of, groups.names.size(), scratch, averages, values);
        const ComparedValues replicate = test_statistics(values);
        for (std::size_t k = 0; k < p_values.size(); ++k)
            if (replicate[k] >= observed[k]) p_values[k] += 1.0 / permutations;
    }
    return p_values;
}

void run_group_statistics(const AnalysisContext& context, int permutations, RandomGenerator& random) {
    const SampleCatalogue& catalogue = context.catalogue;
    const GroupCatalogue groups = build_group_catalogue(catalogue);
    if (groups.names.empty()) {
        throw FatalError(
            "\n\nNo sample belongs to a group: the first column of every sample's first line is empty, "
            "so there are no groups to compare.");
    }
    const CodedLoci loci{context.coded, context.summaries};
    CombineScratch scratch;

    append_to_file(context.stats_path, GROUP_TITLE);
    context.console.print("\n\nDoing Group Statistics...\n");

    // Observed pass: the tables of every group.
    for (std::size_t g = 0; g < groups.names.size(); ++g) {
        append_to_file(context.stats_path, group_title(groups.names[g]));
        context.console.print(strprintf("\n\tWorking with Group <%s> which comprises %zu samples\n",
                                        groups.names[g].c_str(), groups.sizes[g]));
        append_stats_header(context.stats_path);
        const SetStatistics stats = compute_set_statistics(loci, members_of(groups.slots, g), scratch);
        for (std::size_t i = 0; i < stats.loci.size(); ++i) {
            if (stats.loci[i].no_pairs_within) context.console.print(NO_PAIRS_WITHIN_WARNING);
            append_stats_row(context.stats_path, stats.loci[i].stats, context.data.locus_names[i]);
        }
        append_stats_row(context.stats_path, stats.average, AVERAGE_LABEL);
    }
    // The observed values come from the very computation the replicates use,
    // so a replicate that restores the observed grouping ties exactly.
    GroupScratch group_scratch;
    std::vector<LocusStats> averages;
    std::vector<ComparedValues> values;
    group_compared_values(loci, groups.slots, groups.names.size(), group_scratch, averages, values);
    const ComparedValues observed = test_statistics(values);

    // Replicates: whole samples shuffled between the groups.
    const ComparedValues p_values =
        permutation_p_values(loci, groups, observed, permutations, random, context.console);
    append_group_report(context.stats_path, p_values);
}

}  // namespace phenostat
