#include "analyses/groups.h"

#include <algorithm>
#include <cmath>

#include "base/fatal_error.h"
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

GroupCatalogue compared_groups(const Dataset& data) {
    GroupCatalogue groups = build_group_catalogue(data.catalogue);
    if (groups.names.empty()) {
        throw FatalError("\n\nNo sample belongs to a group: the first column of every sample's first line is empty, "
                         "so there are no groups to compare.");
    }
    return groups;
}

void analyse_groups(const Dataset& data, const GroupCatalogue& groups, SetScratch& scratch, SetRecordSink& sink) {
    std::vector<std::size_t> members;
    for (std::size_t g = 0; g < groups.names.size(); ++g) {
        members.clear();
        for (std::size_t s = 0; s < groups.slots.size(); ++s)
            if (groups.slots[s] == g) members.push_back(s);
        sink.begin(g);
        sink.end(g, compute_set(data, members, scratch, sink));
    }
}

namespace {

// The distinct assignments of the samples to the groups (and to no group)
// that the shuffles can give: S! / (n_1! ... n_k! n_none!).
long double distinct_assignments(const GroupCatalogue& groups) {
    long double log_count = std::lgamma(static_cast<long double>(groups.slots.size()) + 1);
    std::size_t grouped = 0;
    for (const std::size_t size : groups.sizes) {
        log_count -= std::lgamma(static_cast<long double>(size) + 1);
        grouped += size;
    }
    log_count -= std::lgamma(static_cast<long double>(groups.slots.size() - grouped) + 1);
    return std::round(std::exp(log_count));
}

}  // namespace

std::vector<Warning> group_test_warnings(const GroupCatalogue& groups, int permutations) {
    std::vector<Warning> warnings;
    if (groups.names.size() == 1)
        warnings.push_back({WarningKind::one_group, groups.names[0],
                            "there is only one group (" + groups.names[0] +
                                "): the group test cannot tell groups apart, and every P-value is 1."});
    if (groups.names.size() < 2) return warnings;
    const long double assignments = distinct_assignments(groups);
    if (assignments < permutations)
        warnings.push_back({WarningKind::few_group_assignments,
                            {},
                            strprintf("the samples can be assigned to the groups in only %.0Lf distinct ways, fewer "
                                      "than the %d permutations asked for; the P-values cannot go below 1/%.0Lf.",
                                      assignments, permutations, assignments)});
    return warnings;
}

}  // namespace phenostat
