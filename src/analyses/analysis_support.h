#pragma once
// Small pieces shared by the analysis drivers.

#include <numeric>
#include <optional>
#include <vector>

#include "analyses/analyses.h"
#include "analyses/set_statistics.h"

namespace phenostat {

// The summaries of the context, or ones computed here when it has none.
class SummariesOf {
public:
    explicit SummariesOf(const AnalysisContext& context) {
        if (context.summaries == nullptr) own_ = summarise_all_loci(context.coded);
        summaries_ = context.summaries != nullptr ? context.summaries : &*own_;
    }
    const std::vector<LocusSummary>& get() const { return *summaries_; }

private:
    std::optional<std::vector<LocusSummary>> own_;
    const std::vector<LocusSummary>* summaries_;
};

inline std::vector<std::size_t> all_samples(std::size_t count) {
    std::vector<std::size_t> set(count);
    std::iota(set.begin(), set.end(), std::size_t{0});
    return set;
}

}  // namespace phenostat
