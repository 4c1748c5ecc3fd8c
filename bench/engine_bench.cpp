// Speed of the analyses on the full eHGDP data set (1350 individuals, 79
// samples in 7 regions, 678 loci), on the threads OMP_NUM_THREADS names
// (default: all cores); times are wall-clock times.
//
//   bench/run_bench.sh            (builds and runs everything)
//   OMP_NUM_THREADS=1 build-bench/bench/phenostat_bench --benchmark_filter=Replicate

#include <benchmark/benchmark.h>

#include <numeric>

#include "analyses/analyses.h"
#include "analyses/bootstrap.h"
#include "analyses/isolation.h"
#include "app/driver.h"
#include "input/coordinates.h"

namespace phenostat {
namespace {

const std::string DATA_FILE = std::string(PHENOSTAT_BENCH_DATA) + "/eHGDP.txt";
const std::string COORDINATES_FILE = std::string(PHENOSTAT_BENCH_DATA) + "/eHGDP_coords.txt";

Dataset load() {
    NoProgress quiet;
    return load_dataset(DATA_FILE, quiet).data;
}

const Dataset& data() {
    static const Dataset d = load();
    return d;
}

void Load(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(load());
}
BENCHMARK(Load)->Unit(benchmark::kMillisecond)->UseRealTime();

// Receives the all-samples analysis's loci and does nothing with them.
class Discard final : public AllSamplesSink {
public:
    void places(std::size_t) override {}
    void tallied(std::size_t, std::size_t, const UnpackedLocus&, const PooledTally&) override {}
    void made(std::size_t, std::size_t, const LocusOutcome&) override {}
    void ready(std::size_t, std::size_t, const LocusOutcome&) override {}
};

void AllSamples(benchmark::State& state) {
    SetScratch scratch;
    Discard discard;
    for (auto _ : state) benchmark::DoNotOptimize(analyse_all_samples(data(), scratch, discard));
}
BENCHMARK(AllSamples)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every sample's table, as the per-sample analysis computes them (the
// samples spread over the threads).
void EachSample(benchmark::State& state) {
    const Dataset& d = data();
    SetScratch scratch;
    for (auto _ : state) {
        parallel_for(d.sample_count(), 1, [&](std::size_t s) {
            const std::size_t set[1] = {s};
            benchmark::DoNotOptimize(compute_set_table(d, set, scratch));
        });
    }
}
BENCHMARK(EachSample)->Unit(benchmark::kMillisecond)->UseRealTime();

// Replicates of the permutation test as the test runs them (shuffles drawn
// in order, a block at a time, computed on every thread): the time is per
// replicate.
void Replicate(benchmark::State& state) {
    const Dataset& d = data();
    const GroupCatalogue groups = build_group_catalogue(d.catalogue);
    RandomGenerator random(7);
    NoProgress quiet;
    constexpr int REPLICATES = 256;
    while (state.KeepRunningBatch(REPLICATES))
        benchmark::DoNotOptimize(permutation_test(d, groups, REPLICATES, random, quiet));
}
BENCHMARK(Replicate)->Unit(benchmark::kMillisecond)->UseRealTime();

// One replicate alone on one thread: shuffle, regroup, every group's compared averages.
void ReplicateAlone(benchmark::State& state) {
    const Dataset& d = data();
    const GroupCatalogue groups = build_group_catalogue(d.catalogue);
    RandomGenerator random(7);
    std::vector<std::size_t> order(d.sample_count()), group_of(d.sample_count());
    std::iota(order.begin(), order.end(), std::size_t{0});
    GroupScratch scratch;
    std::vector<LocusStats> averages;
    for (auto _ : state) {
        shuffle_samples(order, random);
        for (std::size_t k = 0; k < order.size(); ++k) group_of[order[k]] = groups.slots[k];
        compute_group_averages(d, group_of, groups.names.size(), scratch, averages);
        benchmark::DoNotOptimize(averages);
    }
}
BENCHMARK(ReplicateAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

void AllPairs(benchmark::State& state) {
    NoProgress quiet;
    for (auto _ : state) benchmark::DoNotOptimize(analyse_pairs(data(), nullptr, quiet));
}
BENCHMARK(AllPairs)->Unit(benchmark::kMillisecond)->UseRealTime();

// The Mantel test with 9,999 permutations over the 3,081 pairs.
void Mantel(benchmark::State& state) {
    NoProgress quiet;
    const Coordinates sites = read_coordinates_file(COORDINATES_FILE, data().sample_count());
    const std::vector<PairResult> pairs = analyse_pairs(data(), &sites, quiet);
    for (auto _ : state)
        benchmark::DoNotOptimize(isolation_by_distance(pairs, individual_counts(data().catalogue),
                                                       GeneticScale::rousset, GeographicScale::log, 9999, 1));
}
BENCHMARK(Mantel)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000 bootstrap replicates of every table (all samples, each sample, each group) and every pair.
void Bootstrap(benchmark::State& state) {
    const Dataset& d = data();
    NoProgress quiet;
    SetScratch scratch;
    const GroupCatalogue groups = compared_groups(d);
    std::vector<std::vector<std::size_t>> sets(1 + d.sample_count() + groups.names.size());
    for (std::size_t s = 0; s < d.sample_count(); ++s) {
        sets[0].push_back(s);
        sets[1 + s] = {s};
        if (groups.slots[s] != NO_GROUP) sets[1 + d.sample_count() + groups.slots[s]].push_back(s);
    }
    for (auto _ : state) {
        const LocusResamples resamples = draw_resamples(d.locus_count(), 1000, 1);
        for (const std::vector<std::size_t>& set : sets)
            benchmark::DoNotOptimize(bootstrap_table(compute_set_table(d, set, scratch), resamples));
        benchmark::DoNotOptimize(analyse_pairs(d, nullptr, quiet, &resamples));
    }
}
BENCHMARK(Bootstrap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace phenostat

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("threads", std::to_string(phenostat::team_size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
