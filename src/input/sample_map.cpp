#include "input/sample_map.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/input_file.h"

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

// A column title rather than a name: "Sample", "#IID", "population", "Sample_ID".
bool is_title_word(const std::string& field) {
    static const std::unordered_set<std::string> titles = {
        "individual", "individuals", "indiv",      "ind",  "id",       "iid",    "sample",
        "samples",    "sampleid",    "samplename", "name", "group",    "groups", "pop",
        "population", "populations", "region",     "site", "location", "cluster"};
    std::string word;
    for (const char c : field)
        if (std::isalnum(static_cast<unsigned char>(c)) != 0)
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return titles.count(word) != 0;
}

std::string group_text(const std::string& group) { return group.empty() ? "no group" : "group " + group; }

// The map's lines, each checked for its fields.
std::vector<MappedIndividual> read_lines(const std::string& path, std::vector<std::string>& first_fields) {
    require_readable(path, "sample map");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(strprintf("Opening the sample map %s failed.", path.c_str()));
    auto fail = [&](std::size_t line, const char* what) {
        throw FatalError(strprintf("Sample map %s, line %zu: %s.", path.c_str(), line, what));
    };
    std::vector<MappedIndividual> lines;
    std::string text;
    for (std::size_t number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty()) continue;
        std::vector<std::string> fields = split_tabs(text);
        if (number == 1 && is_header(fields)) continue;
        if (fields.size() < 2) fail(number, "an individual, a tab and its sample are needed (a group may follow)");
        if (fields.size() > 3) fail(number, "more than three fields (individual, sample, group)");
        if (fields[0].empty()) fail(number, "the individual has no name");
        if (fields[1].empty()) fail(number, "the sample has no name");
        lines.push_back({fields[0], fields[1], fields.size() > 2 ? fields[2] : std::string(), number});
        if (lines.size() == 1) first_fields = std::move(fields);
    }
    if (in.bad()) throw FatalError(strprintf("Reading the sample map %s failed.", path.c_str()));
    if (lines.empty()) throw FatalError(strprintf("The sample map %s names no individual.", path.c_str()));
    return lines;
}

// Each individual on one line; each sample in one group.
void check_lines(const std::string& path, const std::vector<MappedIndividual>& lines) {
    std::unordered_map<std::string, std::size_t> individuals, samples;  // name -> its first line's index
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const MappedIndividual& line = lines[k];
        if (const auto [at, added] = individuals.emplace(line.name, k); !added) {
            // A map written sample first repeats its first column and not its second.
            std::unordered_set<std::string> second;
            for (const MappedIndividual& other : lines) second.insert(other.sample);
            const bool swapped = second.size() == lines.size();
            throw FatalError(strprintf("Sample map %s, line %zu: individual %s is already on line %zu.%s", path.c_str(),
                                       line.line, line.name.c_str(), lines[at->second].line,
                                       swapped ? " Its first column repeats names and its second names a "
                                                 "different one on every line: are the columns swapped? A line "
                                                 "reads individual<TAB>sample<TAB>group."
                                               : ""));
        }
        const auto [first, added] = samples.emplace(line.sample, k);
        if (!added && lines[first->second].group != line.group)
            throw FatalError(strprintf("Sample map %s, line %zu: sample %s is put in %s, but line %zu puts it in %s; "
                                       "a sample belongs to one group.",
                                       path.c_str(), line.line, line.sample.c_str(), group_text(line.group).c_str(),
                                       lines[first->second].line, group_text(lines[first->second].group).c_str()));
    }
}

}  // namespace

SampleMap read_sample_map(const std::string& path) {
    SampleMap map;
    std::vector<MappedIndividual> lines = read_lines(path, map.first_fields);
    check_lines(path, lines);

    // Samples in order of first line; a stable sort keeps map order within each.
    std::unordered_map<std::string, std::size_t> rank;
    for (const MappedIndividual& line : lines) rank.emplace(line.sample, rank.size());
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

std::string absent_individuals_message(const SampleMap& map, const std::string& map_path, const std::string& data_path,
                                       const std::vector<std::string>& absent,
                                       const std::function<bool(const std::string&)>& in_data) {
    std::string message = strprintf("The sample map %s names %zu individual%s that %s lacks: %s.", map_path.c_str(),
                                    absent.size(), absent.size() == 1 ? "" : "s", data_path.c_str(),
                                    list_names(absent, 10).c_str());
    const std::vector<std::string>& first = map.first_fields;
    if (!first.empty() && !in_data(first[0]) && std::any_of(first.begin(), first.end(), is_title_word)) {
        std::string fields;
        for (const std::string& field : first) fields += (fields.empty() ? "" : ", ") + field;
        appendf(message,
                "\nIts first line (%s) looks like a header: the one header a map may have is the line "
                "individual<TAB>sample<TAB>group. Remove that line or write it so.",
                fields.c_str());
    }
    std::vector<std::string> second;  // individuals of the data in the second column, once each
    std::unordered_set<std::string> seen;
    for (const MappedIndividual& individual : map.individuals)
        if (in_data(individual.sample) && seen.insert(individual.sample).second) second.push_back(individual.sample);
    if (!second.empty())
        appendf(message,
                "\nIts second column, which holds the samples, names %zu individual%s of %s (%s): are the columns "
                "swapped? A line reads individual<TAB>sample<TAB>group.",
                second.size(), second.size() == 1 ? "" : "s", data_path.c_str(), list_names(second, 5).c_str());
    return message;
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
