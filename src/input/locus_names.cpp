#include "input/locus_names.h"

#include <functional>
#include <limits>
#include <unordered_set>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t NAMES_SHOWN = 5;

std::size_t hash_of(std::string_view name) { return std::hash<std::string_view>()(name); }

}  // namespace

bool LocusNameIndex::repeats(const std::vector<std::string>& names, std::size_t k) {
    const std::string& name = names[k];
    if (name.empty()) return false;
    if (k >= std::numeric_limits<std::uint32_t>::max())
        throw FatalError("More than 4,294,967,294 loci: too many for this program.");
    if (2 * (count_ + 1) > slots_.size()) grow(names);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash_of(name) & mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0) {
            slots_[at] = static_cast<std::uint32_t>(k + 1);
            ++count_;
            return false;
        }
        if (names[slots_[at] - 1] == name) return true;
    }
}

bool LocusNameIndex::contains(const std::vector<std::string>& names, std::string_view name) const {
    if (slots_.empty()) return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash_of(name) & mask; slots_[at] != 0; at = (at + 1) & mask)
        if (names[slots_[at] - 1] == name) return true;
    return false;
}

void LocusNameIndex::grow(const std::vector<std::string>& names) {
    std::vector<std::uint32_t> old(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint32_t place : old) {
        if (place == 0) continue;
        std::size_t at = hash_of(names[place - 1]) & mask;
        while (slots_[at] != 0) at = (at + 1) & mask;
        slots_[at] = place;
    }
}

std::vector<Warning> rename_repeated_loci(std::vector<std::string>& names, const LocusNameIndex& index,
                                          const std::vector<RepeatedLocus>& repeated) {
    if (repeated.empty()) return {};
    std::unordered_set<std::string> given;  // the new names
    const auto taken = [&](const std::string& name) { return index.contains(names, name) || given.count(name) != 0; };
    std::vector<std::string> subjects, renamings;
    for (const RepeatedLocus& locus : repeated) {
        std::string name = locus.preferred;
        if (name == names[locus.locus] || taken(name))
            for (std::size_t suffix = 2;; ++suffix)
                if (name = strprintf("%s_%zu", locus.preferred.c_str(), suffix); !taken(name)) break;
        given.insert(name);
        subjects.push_back(names[locus.locus]);
        renamings.push_back(strprintf("%s (locus %zu) as %s", names[locus.locus].c_str(), locus.locus + 1,
                                      name.c_str()));
        names[locus.locus] = std::move(name);
    }
    std::string shown;
    for (std::size_t k = 0; k < renamings.size() && k < NAMES_SHOWN; ++k) shown += (k == 0 ? "" : ", ") + renamings[k];
    if (renamings.size() > NAMES_SHOWN) appendf(shown, " and %zu more", renamings.size() - NAMES_SHOWN);
    std::unordered_set<std::string> seen;
    std::string subject;
    for (const std::string& name : subjects)
        if (seen.insert(name).second && seen.size() <= NAMES_SHOWN) subject += (subject.empty() ? "" : ", ") + name;
    if (seen.size() > NAMES_SHOWN) appendf(subject, " and %zu more", seen.size() - NAMES_SHOWN);
    const bool one = repeated.size() == 1;
    return {{WarningKind::repeated_locus_names, subject,
             strprintf("%zu loc%s the name of an earlier locus and %s renamed so that every locus name is unique: "
                       "%s.",
                       repeated.size(), one ? "us has" : "i have", one ? "is" : "are", shown.c_str())}};
}

std::vector<Warning> make_locus_names_unique(std::vector<std::string>& names) {
    LocusNameIndex index;
    std::vector<RepeatedLocus> repeated;
    for (std::size_t k = 0; k < names.size(); ++k)
        if (index.repeats(names, k)) repeated.push_back({k, names[k]});
    return rename_repeated_loci(names, index, repeated);
}

}  // namespace phenostat
