#include "reports/tidy_tables.h"

#include <string_view>
#include <unordered_map>

#include "base/text.h"

namespace phenostat {

namespace {

// A tab, then the cell's text.
void cell(std::string& out, std::string_view text) {
    out.push_back('\t');
    out.append(text);
}

std::string na_or(bool defined, double value) { return defined ? shortest(value) : std::string("NA"); }

std::string number_or_na(std::size_t number) { return number == 0 ? std::string("NA") : std::to_string(number); }

void append_fields(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first) out.push_back('\t');
        out.append(field);
        first = false;
    }
}

// Sample names, made unique with "#<catalogue number>" where a name recurs.
std::vector<std::string> unique_names(const SampleCatalogue& catalogue) {
    std::unordered_map<std::string, int> uses;
    for (const Sample& sample : catalogue.samples) ++uses[sample.name];
    std::vector<std::string> names;
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s) {
        const std::string& name = catalogue.samples[s].name;
        names.push_back(uses[name] > 1 ? name + "#" + std::to_string(s + 1) : name);
    }
    return names;
}

template <class Value>
std::string matrix(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue, Value value) {
    const std::size_t count = catalogue.sample_count();
    std::vector<std::string> cells(count * count, "0");
    for (const PairResult& pair : pairs)
        cells[pair.first * count + pair.second] = cells[pair.second * count + pair.first] = value(pair);
    const std::vector<std::string> names = unique_names(catalogue);
    std::string out;
    for (const std::string& name : names) cell(out, name);
    out += "\n";
    for (std::size_t i = 0; i < count; ++i) {
        out += names[i];
        for (std::size_t j = 0; j < count; ++j) cell(out, cells[i * count + j]);
        out += "\n";
    }
    return out;
}

}  // namespace

std::string loci_table_header() {
    std::string out = "analysis\tset\tset_number\tlocus\tindividuals";
    for (const Statistic& statistic : STATISTICS) cell(out, statistic.name);
    return out + "\n";
}

std::string loci_table_row(std::string_view analysis, std::string_view set_name, std::size_t number,
                           std::string_view locus_name, const LocusOutcome& locus) {
    std::string out;
    append_fields(out, {analysis, set_name, number_or_na(number), locus_name, std::to_string(locus.typed)});
    for (const Statistic& statistic : STATISTICS)
        cell(out, na_or(is_defined(locus, statistic.field), locus.stats.*statistic.field));
    return out + "\n";
}

std::string loci_table_average_row(std::string_view analysis, std::string_view set_name, std::size_t number,
                                   const SetAverage& average) {
    std::string out;
    append_fields(out, {analysis, set_name, number_or_na(number), "average", std::to_string(average.typed)});
    for (std::size_t c = 0; c < STATISTIC_COUNT; ++c)
        cell(out, na_or(average.defined[c], average.average.*PRINTED_FIELDS[c]));
    return out + "\n";
}

std::string averages_ci_header() { return "analysis\tset\tset_number\tstatistic\testimate\tlow\thigh\treplicates\n"; }

std::string averages_ci_rows(std::string_view analysis, std::string_view set_name, std::size_t number,
                             const SetAverage& average, const std::array<Interval, STATISTIC_COUNT>& intervals) {
    std::string out;
    for (std::size_t c = 0; c < STATISTIC_COUNT; ++c) {
        const Interval& interval = intervals[c];
        const bool ci = interval.replicates > 0;
        append_fields(out, {analysis, set_name, number_or_na(number), STATISTICS[c].name,
                            na_or(average.defined[c], average.average.*PRINTED_FIELDS[c]), na_or(ci, interval.low),
                            na_or(ci, interval.high), std::to_string(interval.replicates)});
        out += "\n";
    }
    return out;
}

std::string frequencies_header() { return "locus\tsample\tsample_number\tkind\titem\tcount\tfrequency\n"; }

std::string frequencies_rows(std::string_view locus_name, const CodedLocus& locus, const LocusSummary& summary,
                             const PooledTally& pooled, const SampleCatalogue& catalogue) {
    std::vector<std::string> allele_item(locus.allele_count()), phenotype_item(locus.phenotype_count());
    for (std::size_t a = 0; a < locus.allele_count(); ++a) allele_item[a] = std::to_string(locus.allele_codes[a]);
    for (std::size_t p = 0; p < locus.phenotype_count(); ++p)
        for (std::uint32_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k)
            phenotype_item[p] += (k > locus.phenotype_begin[p] ? "/" : "") + allele_item[locus.phenotype_alleles[k]];
    // Items in pooled column order; a sample lists those it holds.
    std::vector<std::int32_t> allele_count(locus.allele_count()), phenotype_count(locus.phenotype_count());
    std::string out;
    auto rows = [&](std::string_view sample, const std::string& number, std::int64_t typed) {
        for (const TallyEntry& e : pooled.alleles) {
            const std::int32_t count = allele_count[static_cast<std::size_t>(e.id)];
            if (count == 0) continue;
            append_fields(out, {locus_name, sample, number, "allele", allele_item[static_cast<std::size_t>(e.id)],
                                std::to_string(count), shortest(count / static_cast<double>(typed))});
            out += "\n";
        }
        for (const TallyEntry& e : pooled.phenotypes) {
            const std::int32_t count = phenotype_count[static_cast<std::size_t>(e.id)];
            if (count == 0) continue;
            append_fields(out, {locus_name, sample, number, "phenotype", phenotype_item[static_cast<std::size_t>(e.id)],
                                std::to_string(count), shortest(count / static_cast<double>(typed))});
            out += "\n";
        }
    };
    std::int64_t typed = 0;
    for (const TallyEntry& e : pooled.alleles) allele_count[static_cast<std::size_t>(e.id)] = e.count;
    for (const TallyEntry& e : pooled.phenotypes) phenotype_count[static_cast<std::size_t>(e.id)] = e.count;
    for (const SampleSummary& sample : summary.samples) typed += sample.typed;
    rows("all", "NA", typed);
    for (std::size_t s = 0; s < summary.samples.size(); ++s) {
        const SampleSummary& sample = summary.samples[s];
        std::fill(allele_count.begin(), allele_count.end(), 0);
        std::fill(phenotype_count.begin(), phenotype_count.end(), 0);
        for (auto e = sample.alleles_begin; e < sample.alleles_end(); ++e)
            allele_count[static_cast<std::size_t>(summary.allele_entries[e].id)] = summary.allele_entries[e].count;
        for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e)
            phenotype_count[static_cast<std::size_t>(summary.phenotype_entries[e].id)] =
                summary.phenotype_entries[e].count;
        rows(catalogue.samples[s].name, std::to_string(s + 1), sample.typed);
    }
    return out;
}

std::string pairs_table(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue,
                        const std::vector<PairTest>* tests) {
    std::string out = "sample_a\tnumber_a\tsample_b\tnumber_b\tfst_unshared\tfst_shannon\tfst_pq\tkm\tfst_ci_low\t"
                      "fst_ci_high";
    out += tests != nullptr ? "\tp_value\tp_bonferroni\tp_bh\n" : "\n";
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const PairResult& pair = pairs[k];
        const Interval& interval = pair.fst_interval;
        const bool ci = interval.replicates > 0;
        append_fields(out, {catalogue.samples[pair.first].name, std::to_string(pair.first + 1),
                            catalogue.samples[pair.second].name, std::to_string(pair.second + 1),
                            shortest(pair.fst_unshared), shortest(pair.fst_shannon), shortest(pair.fst_pq),
                            na_or(pair.distance == DistanceStatus::found, pair.km), na_or(ci, interval.low),
                            na_or(ci, interval.high)});
        if (tests != nullptr) {
            const PairTest& test = (*tests)[k];
            for (const double p : {test.p_value, test.p_bonferroni, test.p_bh}) cell(out, shortest(p));
        }
        out += "\n";
    }
    return out;
}

std::string fst_matrix(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue) {
    return matrix(pairs, catalogue, [](const PairResult& pair) { return shortest(pair.fst_unshared); });
}

std::string km_matrix(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue) {
    return matrix(pairs, catalogue,
                  [](const PairResult& pair) { return na_or(pair.distance == DistanceStatus::found, pair.km); });
}

std::string group_test_table(const GroupCatalogue& groups, const PermutationResult& test) {
    std::string out = "statistic";
    for (const std::string& name : groups.names) cell(out, name);
    out += "\ttest_statistic\treplicates_at_least\tpermutations\tp_value\n";
    for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
        out += STATISTICS[column_of(COMPARED_FIELDS[k])].name;
        for (const ComparedValues& values : test.group_values) cell(out, shortest(values[k]));
        append_fields(out, {"", shortest(test.observed[k]), std::to_string(test.at_least[k]),
                            std::to_string(test.permutations),
                            shortest(static_cast<double>(test.at_least[k]) / test.permutations)});
        out += "\n";
    }
    return out;
}

std::string key_value_table(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string out = "key\tvalue\n";
    for (const auto& [key, value] : entries) out += key + "\t" + value + "\n";
    return out;
}

}  // namespace phenostat
