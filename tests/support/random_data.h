#pragma once
// Random data sets for the differential tests: the text of a data file and
// the same rows as the literal reference sees them.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "input/data_table.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "literal_reference.h"

namespace phenostat::testing {

struct RandomDataOptions {
    int max_loci = 4;
    int max_samples = 6;
    int max_sample_size = 9;
    int max_groups = 3;
};

struct RandomData {
    std::string text;                           // the data file
    std::vector<literal::GroupedRow> rows;      // its data lines
    std::size_t locus_count = 0;
};

// Sample names are unique; each sample's lines carry one group (sometimes none).
RandomData make_random_data(std::mt19937& random, const RandomDataOptions& options = {});

// A data set whose single locus holds more than 500 distinct phenotypes.
RandomData make_many_phenotypes_data(std::mt19937& random);

// The data loaded, catalogued and coded as the program does it.
struct LoadedSet {
    LoadedData data;
    SampleCatalogue catalogue;
    CodedData coded;
};
LoadedSet load_and_code(const std::string& text);

// The literal rows of the given catalogue samples, in catalogue order.
std::vector<literal::Row> rows_of(const RandomData& data, const SampleCatalogue& catalogue,
                                  const std::vector<std::size_t>& samples);

// "" when equal bit for bit, else the first differing printed field.
std::string first_difference(const LocusStats& expected, const LocusStats& actual);

}  // namespace phenostat::testing
