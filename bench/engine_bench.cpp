// Speed of the statistics engine on the full eHGDP data set (1350
// individuals, 79 samples in 7 regions, 678 loci), beside the literal
// computation on the same work.
//
//   bench/run_bench.sh            (builds and runs everything)
//   build-bench/bench/phenostat_bench --benchmark_filter=Engine

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>

#include "analyses/group_statistics.h"
#include "analyses/set_statistics.h"
#include "input/data_table.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "support/literal_reference.h"

namespace phenostat {
namespace {

const std::string DATA_FILE = std::string(PHENOSTAT_BENCH_DATA) + "/eHGDP.txt";

struct Data {
    LoadedData data;
    SampleCatalogue catalogue;
    CodedData coded;
    std::vector<LocusSummary> summaries;
    std::vector<literal::GroupedRow> rows;  // for the literal computation
};

Data load() {
    Data d;
    d.data = load_data_file(DATA_FILE, measure_data_file(DATA_FILE));
    d.catalogue = build_sample_catalogue(d.data.table);
    if (code_all_loci(d.data, d.catalogue, d.coded)) throw std::runtime_error("capacity exceeded");
    d.summaries = summarise_all_loci(d.coded);
    for (std::size_t r = 0; r < d.data.table.row_count(); ++r) {
        literal::GroupedRow row{std::string(d.data.table.cell(r, 0)), {std::string(d.data.table.cell(r, 1)), {}}};
        for (std::size_t l = 0; l < d.data.locus_count(); ++l) row.row.loci.emplace_back(d.data.table.cell(r, l + 3));
        d.rows.push_back(std::move(row));
    }
    return d;
}

const Data& data() {
    static const Data d = load();
    return d;
}

std::vector<std::size_t> all_of(const Data& d) {
    std::vector<std::size_t> set(d.catalogue.sample_count());
    std::iota(set.begin(), set.end(), std::size_t{0});
    return set;
}

void LoadCodeAndSummarise(benchmark::State& state) {
    for (auto _ : state) {
        LoadedData loaded = load_data_file(DATA_FILE, measure_data_file(DATA_FILE));
        const SampleCatalogue catalogue = build_sample_catalogue(loaded.table);
        CodedData coded;
        code_all_loci(loaded, catalogue, coded);
        benchmark::DoNotOptimize(summarise_all_loci(coded));
    }
}
BENCHMARK(LoadCodeAndSummarise)->Unit(benchmark::kMillisecond);

void EngineAllLociAllSamples(benchmark::State& state) {
    const Data& d = data();
    const CodedLoci loci{d.coded, d.summaries};
    const auto set = all_of(d);
    CombineScratch scratch;
    for (auto _ : state) benchmark::DoNotOptimize(compute_set_statistics(loci, set, scratch));
}
BENCHMARK(EngineAllLociAllSamples)->Unit(benchmark::kMillisecond);

void LiteralAllLociAllSamples(benchmark::State& state) {
    const Data& d = data();
    std::vector<literal::Row> rows;
    for (const auto& row : d.rows) rows.push_back(row.row);
    for (auto _ : state) benchmark::DoNotOptimize(literal::compute_table(rows, d.data.locus_count()));
}
BENCHMARK(LiteralAllLociAllSamples)->Unit(benchmark::kMillisecond)->Iterations(1);

// Random groups of 11 samples, compared statistics only (the replicate's work for one group).
void EngineRandomGroups(benchmark::State& state) {
    const Data& d = data();
    const CodedLoci loci{d.coded, d.summaries};
    std::mt19937 random(1);
    auto all = all_of(d);
    CombineScratch scratch;
    for (auto _ : state) {
        std::shuffle(all.begin(), all.end(), random);
        std::vector<std::size_t> group(all.begin(), all.begin() + 11);
        std::sort(group.begin(), group.end());
        benchmark::DoNotOptimize(compute_compared_average(loci, group, scratch));
    }
}
BENCHMARK(EngineRandomGroups)->Unit(benchmark::kMillisecond);

// One replicate of the permutation test: shuffle, regroup, 7 groups' compared statistics.
void EngineReplicate(benchmark::State& state) {
    const Data& d = data();
    const CodedLoci loci{d.coded, d.summaries};
    const GroupCatalogue groups = build_group_catalogue(d.catalogue);
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    RandomGenerator random(7);
    ComparedValues observed{};
    (void)observed;
    for (auto _ : state) {
        benchmark::DoNotOptimize(permutation_p_values(loci, groups, observed, 1, random, console));
        out.str("");
    }
}
BENCHMARK(EngineReplicate)->Unit(benchmark::kMillisecond);

// The groups of a replicate the literal way: every group's rows recoded from text and compared pair by pair.
void LiteralReplicate(benchmark::State& state) {
    const Data& d = data();
    std::vector<std::string> names;
    for (const auto& row : d.rows)
        if (!row.group.empty() && std::find(names.begin(), names.end(), row.group) == names.end())
            names.push_back(row.group);
    for (auto _ : state)
        for (const auto& name : names) benchmark::DoNotOptimize(literal::group_table(d.rows, name).average);
}
BENCHMARK(LiteralReplicate)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every pair of samples, compared statistics over all loci (the pairwise F'st analysis' work).
void EngineAllPairs(benchmark::State& state) {
    const Data& d = data();
    const CodedLoci loci{d.coded, d.summaries};
    CombineScratch scratch;
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t i = 0; i + 1 < d.catalogue.sample_count(); ++i)
            for (std::size_t j = i + 1; j < d.catalogue.sample_count(); ++j) {
                const std::size_t pair[2] = {i, j};
                sum += compute_compared_average(loci, pair, scratch).fst_unshared;
            }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(EngineAllPairs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace phenostat

BENCHMARK_MAIN();
