#include "input/sample_map.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1)
        fields.push_back(line.substr(begin, tab - begin));
    fields.push_back(line.substr(begin));
    return fields;
}

bool is_header(const std::vector<std::string>& fields) {
    static const char* const words[] = {"individual", "sample", "group"};
    if (fields.size() < 2 || fields.size() > 3) return false;
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (fields[k] != words[k]) return false;
    return true;
}

}  // namespace

SampleMap read_sample_map(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(strprintf("Opening the sample map %s failed.", path.c_str()));
    auto fail = [&](std::size_t line, const char* what) {
        throw FatalError(strprintf("Sample map %s, line %zu: %s.", path.c_str(), line, what));
    };
    std::vector<MappedIndividual> lines;
    std::unordered_map<std::string, std::size_t> seen;  // individual -> its line
    std::string text;
    for (std::size_t number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty()) continue;
        const std::vector<std::string> fields = split_tabs(text);
        if (number == 1 && is_header(fields)) continue;
        if (fields.size() < 2) fail(number, "an individual, a tab and its sample are needed (a group may follow)");
        if (fields.size() > 3) fail(number, "more than three fields (individual, sample, group)");
        if (fields[0].empty()) fail(number, "the individual has no name");
        if (fields[1].empty()) fail(number, "the sample has no name");
        if (const auto [at, added] = seen.emplace(fields[0], number); !added)
            throw FatalError(strprintf("Sample map %s, line %zu: individual %s is already on line %zu.", path.c_str(),
                                       number, fields[0].c_str(), at->second));
        lines.push_back({fields[0], fields[1], fields.size() > 2 ? fields[2] : std::string()});
    }
    if (in.bad()) throw FatalError(strprintf("Reading the sample map %s failed.", path.c_str()));
    if (lines.empty()) throw FatalError(strprintf("The sample map %s names no individual.", path.c_str()));

    // Samples in order of first line; a stable sort keeps map order within each.
    std::unordered_map<std::string, std::size_t> rank;
    for (const MappedIndividual& line : lines) rank.emplace(line.sample, rank.size());
    SampleMap map;
    map.individuals = std::move(lines);
    std::stable_sort(map.individuals.begin(), map.individuals.end(),
                     [&](const MappedIndividual& a, const MappedIndividual& b) {
                         return rank[a.sample] < rank[b.sample];
                     });
    std::vector<Sample>& samples = map.catalogue.samples;
    for (std::size_t row = 0; row < map.individuals.size(); ++row) {
        const MappedIndividual& individual = map.individuals[row];
        if (!samples.empty() && samples.back().name == individual.sample) {
            samples.back().end_row = row + 1;
            if (individual.group != samples.back().group) samples.back().mixed_groups = true;
            continue;
        }
        samples.push_back(Sample{individual.sample, row, row + 1, individual.group, false});
    }
    for (const Sample& sample : samples)
        map.catalogue.largest_sample = std::max(map.catalogue.largest_sample, static_cast<long>(sample.row_count()));
    return map;
}

std::string sample_map_needed_message(const std::string& data_path) {
    return strprintf("%s is a VCF or BCF file: give a sample map with --sample-map FILE. The map names the "
                     "individuals to analyse and their samples and groups, one line each:\n"
                     "    individual<TAB>sample<TAB>group\n"
                     "(the group may be left out; a first line \"individual sample group\" is a header). "
                     "Individuals of the file that the map does not name are left out.",
                     data_path.c_str());
}

std::string absent_individuals_message(const std::string& map_path, const std::string& data_path,
                                       const std::vector<std::string>& absent) {
    return strprintf("The sample map %s names %zu individual%s that %s lacks: %s.", map_path.c_str(), absent.size(),
                     absent.size() == 1 ? "" : "s", data_path.c_str(), list_names(absent, 10).c_str());
}

Warning unmapped_warning(const std::string& data_path, const std::vector<std::string>& left_out) {
    const bool one = left_out.size() == 1;
    const std::string names = list_names(left_out, 5);
    return {WarningKind::unmapped_individuals, names,
            strprintf("%zu individual%s of %s %s not in the sample map and %s left out: %s.", left_out.size(),
                      one ? "" : "s", data_path.c_str(), one ? "is" : "are", one ? "is" : "are", names.c_str())};
}

std::string list_names(const std::vector<std::string>& names, std::size_t shown) {
    std::string out;
    for (std::size_t k = 0; k < names.size() && k < shown; ++k) out += (k == 0 ? "" : ", ") + names[k];
    if (names.size() > shown) out += strprintf(" and %zu more", names.size() - shown);
    return out;
}

}  // namespace phenostat
