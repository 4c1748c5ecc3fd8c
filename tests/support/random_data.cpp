#include "random_data.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace phenostat::testing {

namespace {

int uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::string label(char prefix, int number) {
    std::ostringstream text;
    text << prefix << number;
    return text.str();
}

// One phenotype text: distinct codes from a pool, unsorted, sometimes repeated.
std::string random_phenotype(std::mt19937& random, int pool, int max_size, int missing_percent) {
    if (uniform(random, 1, 100) <= missing_percent) return uniform(random, 0, 1) ? "" : "0";
    const int size = uniform(random, 1, std::min(max_size, pool));
    std::vector<int> codes;
    while (static_cast<int>(codes.size()) < size) {
        const int code = uniform(random, 1, pool) * 3 + 100;
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    }
    if (uniform(random, 0, 3) == 0) codes.push_back(codes.front());  // a repeated code counts once
    std::ostringstream text;
    for (std::size_t i = 0; i < codes.size(); ++i) text << (i > 0 ? "," : "") << codes[i];
    return text.str();
}

std::string file_text(const std::vector<literal::GroupedRow>& rows, std::size_t locus_count) {
    std::ostringstream text;
    text << "Group\tSample\tId";
    for (std::size_t l = 0; l < locus_count; ++l) text << "\tL" << l + 1;
    text << '\n';
    for (std::size_t r = 0; r < rows.size(); ++r) {
        text << rows[r].group << '\t' << rows[r].row.sample << '\t' << r;
        for (const auto& cell : rows[r].row.loci) text << '\t' << cell;
        text << '\n';
    }
    return text.str();
}

}  // namespace

RandomData make_random_data(std::mt19937& random, const RandomDataOptions& options) {
    RandomData data;
    data.locus_count = static_cast<std::size_t>(uniform(random, 1, options.max_loci));
    const int samples = uniform(random, 1, options.max_samples);
    const int groups = uniform(random, 1, options.max_groups);
    // Per locus: a pool of alleles, a largest phenotype and a share of missing data.
    std::vector<int> pool(data.locus_count), max_size(data.locus_count), missing(data.locus_count);
    for (std::size_t l = 0; l < data.locus_count; ++l) {
        const int kind = uniform(random, 0, 5);
        pool[l] = kind == 0 ? 1 : kind == 1 ? 40 : uniform(random, 2, 8);
        max_size[l] = kind == 1 ? 20 : uniform(random, 1, 4);
        missing[l] = uniform(random, 0, 3) == 0 ? 0 : uniform(random, 5, 40);
    }
    for (int s = 0; s < samples; ++s) {
        const std::string name = label('S', s);
        const std::string group = uniform(random, 0, 9) == 0 ? "" : label('G', uniform(random, 1, groups));
        const int size = uniform(random, 1, options.max_sample_size);
        const int untyped_locus = uniform(random, 0, 4) == 0 ? uniform(random, 0, static_cast<int>(data.locus_count) - 1) : -1;
        for (int i = 0; i < size; ++i) {
            literal::GroupedRow row{group, {name, {}}};
            for (std::size_t l = 0; l < data.locus_count; ++l) {
                const bool untyped = static_cast<int>(l) == untyped_locus;
                row.row.loci.push_back(untyped ? "" : random_phenotype(random, pool[l], max_size[l], missing[l]));
            }
            data.rows.push_back(row);
        }
    }
    data.text = file_text(data.rows, data.locus_count);
    return data;
}

RandomData make_many_phenotypes_data(std::mt19937& random) {
    RandomData data;
    data.locus_count = 1;
    const int sizes[] = {300, 400, 200};
    for (int s = 0; s < 3; ++s) {
        for (int i = 0; i < sizes[s]; ++i) {
            literal::GroupedRow row{label('G', s % 2), {label('S', s), {}}};
            row.row.loci.push_back(random_phenotype(random, 40, 4, 3));
            data.rows.push_back(row);
        }
    }
    data.text = file_text(data.rows, data.locus_count);
    return data;
}

LoadedSet load_and_code(const std::string& text) {
    LoadedSet set;
    std::istringstream first(text);
    const FileDimensions dims = measure_data(first);
    std::istringstream second(text);
    set.data = load_data(second, dims);
    set.catalogue = build_sample_catalogue(set.data.table);
    if (code_all_loci(set.data, set.catalogue, set.coded)) throw std::runtime_error("capacity exceeded");
    return set;
}

std::vector<literal::Row> rows_of(const RandomData& data, const SampleCatalogue& catalogue,
                                  const std::vector<std::size_t>& samples) {
    std::vector<literal::Row> rows;
    for (const std::size_t s : samples)
        for (std::size_t r = catalogue.samples[s].first_row; r < catalogue.samples[s].end_row; ++r)
            rows.push_back(data.rows[r].row);
    return rows;
}

std::string first_difference(const LocusStats& expected, const LocusStats& actual) {
    for (std::size_t c = 0; c < 43; ++c) {
        const double e = expected.*PRINTED_FIELDS[c];
        const double a = actual.*PRINTED_FIELDS[c];
        if (std::bit_cast<std::uint64_t>(e) != std::bit_cast<std::uint64_t>(a)) {
            std::ostringstream out;
            out.precision(17);
            out << "column " << c + 1 << ": expected " << e << ", got " << a;
            return out.str();
        }
    }
    return "";
}

}  // namespace phenostat::testing
