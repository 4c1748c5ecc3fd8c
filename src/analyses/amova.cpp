#include "analyses/amova.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "analyses/carrier_bits.h"
#include "analyses/pairs.h"
#include "base/parallel.h"
#include "base/permutations.h"
#include "base/random_generator.h"
#include "base/ties.h"

namespace phenostat {
namespace {

// Tasks of replicates per thread and block: enough to even out the threads.
constexpr std::size_t REPLICATES_PER_TASK = 4;
// The pairs of the pairwise Phi_ST are shared among this many runs per thread:
// few, as each run unpacks every locus, enough to even out the threads.
constexpr std::size_t PAIR_PHI_ST_RUNS_PER_THREAD = 4;

// The analysed individuals' carriers, samples in order, and the design.
struct Design {
    std::optional<CarrierBits> bits;
    std::vector<std::size_t> unit_of;     // each analysed individual's unit (its sample's place in `samples`)
    std::vector<std::size_t> stratum_of;  // each unit's stratum
    std::size_t strata = 1;
    bool three_levels = false;
};

Design make_design(const Dataset& data, const std::vector<std::size_t>& samples, const std::vector<std::size_t>& strata,
                   std::size_t stratum_count, bool three_levels) {
    Design design;
    design.stratum_of = strata;
    design.strata = stratum_count;
    design.three_levels = three_levels;
    std::vector<std::size_t> rows;
    for (std::size_t u = 0; u < samples.size(); ++u) {
        const Sample& sample = data.catalogue.samples[samples[u]];
        design.unit_of.insert(design.unit_of.end(), sample.row_count(), u);
        for (std::size_t row = sample.first_row; row < sample.end_row; ++row) rows.push_back(row);
    }
    design.bits.emplace(data, PhenotypeAlleles(data), rows, CarrierRowChoice{});
    return design;
}

// One locus's carriers in each unit of `lanes` arrangements of the
// individuals, unit u of lane j being the individuals of masks.mask(u * lanes
// + j); the last unit has those the others leave. Alleles without a row
// (carried by no one, or by every typed individual) add nothing to any sum of
// squares, and are left out.
// WORDS, when not 0, is the masks' words, fixed for the compiler.
template <std::size_t WORDS = 0>
[[gnu::always_inline]] inline void count_carriers(const CarrierBits& bits, const CarrierBits::Locus& locus,
                                                  const SetMasks& masks, std::size_t unit_count, std::size_t lanes,
                                                  LocusCarriers& carriers) {
    const std::size_t alleles = locus.alleles, words = WORDS != 0 ? WORDS : bits.words(), last = unit_count - 1;
    carriers.shape(unit_count, alleles, lanes);
    std::int32_t* const left_typed = carriers.typed.data() + last * lanes;
    std::int32_t* const left = carriers.counts.data() + last * alleles * lanes;
    for (std::size_t j = 0; j < lanes; ++j) left_typed[j] = locus.typed;
    for (std::size_t a = 0; a < alleles; ++a)
        for (std::size_t j = 0; j < lanes; ++j) left[a * lanes + j] = bits.carriers(locus.first_row + 1 + a);
    for (std::size_t u = 0; u < last; ++u) {
        const std::uint64_t* row = bits.row(locus.first_row);
        for (std::size_t j = 0; j < lanes; ++j)
            left_typed[j] -= carriers.typed[u * lanes + j] = common(row, masks.mask(u * lanes + j), words);
        std::int32_t* counts = carriers.counts.data() + u * alleles * lanes;
        for (std::size_t a = 0; a < alleles * lanes; a += lanes) {
            row += words;
            for (std::size_t j = 0; j < lanes; ++j)
                left[a + j] -= counts[a + j] = common(row, masks.mask(u * lanes + j), words);
        }
    }
}

struct Scratch {
    LocusCarriers carriers;
    AmovaScratch amova;
    std::vector<std::size_t> unit_of, stratum_of, lane_strata;
    std::optional<SetMasks> masks;
};

// The sums over loci of the observed arrangement (masks of one lane, one set
// per unit).
AmovaTotals observed_totals(const Design& design, const SetMasks& masks, Scratch& scratch) {
    AmovaTotals sums;
    for (const CarrierBits::Locus& locus : design.bits->loci()) {
        if (locus.typed == 0) continue;
        count_carriers(*design.bits, locus, masks, design.stratum_of.size(), 1, scratch.carriers);
        sums.add(amova_locus(scratch.carriers, design.stratum_of, design.strata, design.three_levels, scratch.amova));
    }
    return sums;
}

// The sums over loci of AMOVA_LANES arrangements, lane j's units in the
// masks' sets j, AMOVA_LANES + j, ...
template <std::size_t WORDS>
[[gnu::always_inline]] inline void lane_totals_of(const Design& design, const SetMasks& masks, Scratch& scratch,
                                                  AmovaLaneTotals& sums) {
    for (const CarrierBits::Locus& locus : design.bits->loci()) {
        if (locus.typed == 0) continue;
        count_carriers<WORDS>(*design.bits, locus, masks, design.stratum_of.size(), AMOVA_LANES, scratch.carriers);
        amova_locus_lanes(scratch.carriers, design.stratum_of, design.strata, design.three_levels, scratch.amova, sums);
    }
}
// Masks of up to 256 individuals have their words fixed for the compiler,
// which then unrolls the counting.
[[gnu::always_inline]] inline void lane_totals_in(const Design& design, const SetMasks& masks, Scratch& scratch,
                                                  AmovaLaneTotals& sums) {
    switch (masks.words()) {
        case 1:
            return lane_totals_of<1>(design, masks, scratch, sums);
        case 2:
            return lane_totals_of<2>(design, masks, scratch, sums);
        case 3:
            return lane_totals_of<3>(design, masks, scratch, sums);
        case 4:
            return lane_totals_of<4>(design, masks, scratch, sums);
        default:
            return lane_totals_of<0>(design, masks, scratch, sums);
    }
}
PHENOSTAT_POPCOUNT_BUILDS(void, lane_totals,
                          (const Design& design, const SetMasks& masks, Scratch& scratch, AmovaLaneTotals& sums),
                          (design, masks, scratch, sums))

SetMasks unit_masks(const Design& design) {
    SetMasks units(design.stratum_of.size(), design.unit_of.size());
    units.assign(std::span<const std::size_t>(design.unit_of));
    return units;
}

enum class Shuffle { individuals_across, individuals_within_strata, units_among_strata };

// What a test rearranges: the individuals' units (across all of them, or
// within each stratum), or the units' strata.
Arrangement arrangement(const Design& design, Shuffle shuffle) {
    Arrangement moved;
    const std::size_t size = shuffle == Shuffle::units_among_strata ? design.stratum_of.size() : design.unit_of.size();
    moved.positions.resize(size);
    std::iota(moved.positions.begin(), moved.positions.end(), std::size_t{0});
    moved.bounds = {0};
    if (shuffle == Shuffle::individuals_within_strata) {
        // Individuals sorted by stratum, so that each stratum is one range.
        std::stable_sort(moved.positions.begin(), moved.positions.end(), [&](std::size_t a, std::size_t b) {
            return design.stratum_of[design.unit_of[a]] < design.stratum_of[design.unit_of[b]];
        });
        for (std::size_t g = 0; g < design.strata; ++g) {
            std::size_t end = moved.bounds.back();
            for (const std::size_t u : design.unit_of) end += design.stratum_of[u] == g;
            moved.bounds.push_back(end);
        }
    } else {
        moved.bounds.push_back(size);
    }
    return moved;
}

// Whole samples moved among groups: their carriers stay, counted once, and
// so do their sums of squares within.
struct FixedUnits {
    std::vector<LocusCarriers> carriers;  // of each locus typed somewhere
    std::vector<double> within;
};

FixedUnits fixed_units(const Design& design) {
    FixedUnits fixed;
    const SetMasks units = unit_masks(design);
    AmovaScratch amova;
    for (const CarrierBits::Locus& locus : design.bits->loci()) {
        if (locus.typed == 0) continue;
        count_carriers(*design.bits, locus, units, design.stratum_of.size(), 1, fixed.carriers.emplace_back());
        fixed.within.push_back(
            amova_locus(fixed.carriers.back(), design.stratum_of, design.strata, true, amova).ss[WITHIN_SAMPLES]);
    }
    return fixed;
}

// The sums of AMOVA_LANES replicates of the samples among groups, lane j's
// strata from replicate(j, values).
template <class Replicate>
void units_moved(const Design& design, const FixedUnits& fixed, const Replicate& replicate, Scratch& local,
                 AmovaLaneTotals& sums) {
    constexpr std::size_t lanes = AMOVA_LANES;
    // Lane j's stratum of unit u at [u * lanes + j].
    local.lane_strata.resize(design.stratum_of.size() * lanes);
    for (std::size_t j = 0; j < lanes; ++j) {
        replicate(j, local.stratum_of);
        for (std::size_t u = 0; u < local.stratum_of.size(); ++u)
            local.lane_strata[u * lanes + j] = local.stratum_of[u];
    }
    for (std::size_t l = 0; l < fixed.carriers.size(); ++l)
        amova_locus_lanes(fixed.carriers[l], local.lane_strata, design.strata, true, local.amova, sums,
                          &fixed.within[l]);
}

// The sums of AMOVA_LANES replicates of the individuals among samples, lane
// j's units from replicate(j, values).
template <class Replicate>
void individuals_moved(const Design& design, const Replicate& replicate, Scratch& local, AmovaLaneTotals& sums) {
    constexpr std::size_t lanes = AMOVA_LANES;
    if (!local.masks) local.masks.emplace(design.stratum_of.size() * lanes, design.unit_of.size());
    local.masks->clear();
    for (std::size_t j = 0; j < lanes; ++j) {
        replicate(j, local.unit_of);
        for (std::size_t k = 0; k < local.unit_of.size(); ++k) local.masks->add(local.unit_of[k] * lanes + j, k);
    }
    lane_totals(design, *local.masks, local, sums);
}

// The replicates of one test, REPLICATES_PER_TASK at a time over the threads.
// Replicate r draws from its own stream of the seed; a design with no more
// rearrangements than `permutations` is enumerated instead, every
// rearrangement once (the observed one among them).
void run_test(const Design& design, Shuffle shuffle, double (AmovaTotals::*statistic)() const, int permutations,
              std::uint32_t seed, RandomAnalysis analysis, PhiTest& result, Progress& progress, std::size_t& done,
              std::size_t total_steps) {
    if (std::isnan(result.value) || permutations <= 0) return;
    const bool moves_units = shuffle == Shuffle::units_among_strata;
    const std::vector<std::size_t>& moved = moves_units ? design.stratum_of : design.unit_of;
    const Arrangement places = arrangement(design, shuffle);
    const auto cap = static_cast<std::uint64_t>(permutations);
    const std::uint64_t all = count_rearrangements(moved, places, cap);
    result.exact = all <= cap;
    const std::size_t replicates = result.exact ? all : cap;
    std::optional<Rearrangements<std::size_t>> walk;
    if (result.exact) walk.emplace(moved, places);
    const FixedUnits fixed = moves_units ? fixed_units(design) : FixedUnits{};
    std::vector<char> reached(replicates, 0);
    PerThread<Scratch> scratch;
    // Arrangements are computed AMOVA_LANES at a time, in one pass over the
    // loci.
    const std::size_t lanes = AMOVA_LANES;
    const std::size_t block = lanes * std::max<std::size_t>(64 / lanes, REPLICATES_PER_TASK * team_size());
    std::vector<std::vector<std::size_t>> enumerated(result.exact ? std::min(block, replicates) : 0);
    for (std::size_t start = 0; start < replicates; start += block) {
        const std::size_t end = std::min(replicates, start + block);
        for (std::size_t k = 0; k < enumerated.size() && start + k < end; ++k) {
            enumerated[k] = moved;
            walk->apply(enumerated[k]);
            walk->advance();
        }
        // Replicate r's arrangement of `moved`, into `values`.
        const auto arrange = [&](std::size_t r, std::vector<std::size_t>& values) {
            if (result.exact) {
                values = enumerated[r - start];
                return;
            }
            values = moved;
            Draws random(seed, analysis, r);
            shuffle_within(values, places, random);
        };
        parallel_for((end - start + lanes - 1) / lanes, 1, [&](std::size_t task) {
            Scratch& local = scratch.local();
            const std::size_t first = start + task * lanes, count = std::min(lanes, end - first);
            AmovaLaneTotals sums;
            // Lanes past the last replicate repeat it.
            const auto replicate = [&](std::size_t j, std::vector<std::size_t>& values) {
                arrange(first + std::min(j, count - 1), values);
            };
            if (moves_units)
                units_moved(design, fixed, replicate, local, sums);
            else
                individuals_moved(design, replicate, local, sums);
            for (std::size_t j = 0; j < count; ++j) {
                const double value = (sums.lane(j).*statistic)();
                reached[first + j] = !std::isnan(value) && reaches(value, result.value);
            }
        });
        done += end - start;
        progress.step(done, total_steps);
    }
    result.permutations = static_cast<long>(replicates);
    result.at_least = std::count(reached.begin(), reached.end(), 1);
}

}  // namespace

AmovaResult analyse_amova(const Dataset& data, const GroupCatalogue& groups, int permutations, std::uint32_t seed,
                          Progress& progress) {
    AmovaResult result;
    result.three_levels = groups.names.size() >= 2;
    std::vector<std::size_t> strata;
    for (std::size_t s = 0; s < data.sample_count(); ++s) {
        if (result.three_levels && groups.slots[s] == NO_GROUP) {
            result.left_out.push_back(data.catalogue.samples[s].name);
            continue;
        }
        result.samples.push_back(s);
        strata.push_back(result.three_levels ? groups.slots[s] : 0);
    }
    const Design design =
        make_design(data, result.samples, strata, result.three_levels ? groups.names.size() : 1, result.three_levels);

    // The design's sizes: individuals typed at some locus, their samples and groups.
    const CarrierBits& bits = *design.bits;
    std::vector<std::uint64_t> typed(bits.words(), 0);
    for (const CarrierBits::Locus& locus : bits.loci())
        if (locus.typed != 0)
            for (std::size_t w = 0; w < bits.words(); ++w) typed[w] |= bits.row(locus.first_row)[w];
    std::vector<char> unit_seen(result.samples.size(), 0), stratum_seen(design.strata, 0);
    for (std::size_t i = 0; i < design.unit_of.size(); ++i) {
        if ((typed[i / 64] >> (i % 64) & 1) == 0) continue;
        ++result.individuals;
        unit_seen[design.unit_of[i]] = 1;
        stratum_seen[design.stratum_of[design.unit_of[i]]] = 1;
    }
    result.sample_count = static_cast<std::size_t>(std::count(unit_seen.begin(), unit_seen.end(), 1));
    result.group_count = static_cast<std::size_t>(std::count(stratum_seen.begin(), stratum_seen.end(), 1));
    const auto n = static_cast<double>(result.individuals);
    const auto p = static_cast<double>(result.sample_count);
    const auto g = static_cast<double>(result.group_count);
    if (result.three_levels)
        result.df = {g - 1, p - g, n - p};
    else
        result.df = {0, p - 1, n - p};
    result.total_df = n - 1;

    Scratch scratch;
    const AmovaTotals observed = observed_totals(design, unit_masks(design), scratch);
    result.ss = observed.ss;
    result.sigma2 = observed.sigma2;
    result.total_ss = observed.ss[0] + observed.ss[1] + observed.ss[2];
    result.contributing_loci = observed.contributing_loci;
    result.phi_st.value = observed.phi_st();
    const std::size_t tests = result.three_levels ? 3 : 1;
    const std::size_t steps = tests * static_cast<std::size_t>(std::max(permutations, 0));
    std::size_t done = 0;
    if (!result.three_levels) {
        run_test(design, Shuffle::individuals_across, &AmovaTotals::phi_st, permutations, seed,
                 RandomAnalysis::amova_phi_st, result.phi_st, progress, done, steps);
        result.phi_sc.value = result.phi_ct.value = std::nan("");
        return result;
    }
    result.phi_sc.value = observed.phi_sc();
    result.phi_ct.value = observed.phi_ct();
    run_test(design, Shuffle::individuals_across, &AmovaTotals::phi_st, permutations, seed,
             RandomAnalysis::amova_phi_st, result.phi_st, progress, done, steps);
    run_test(design, Shuffle::individuals_within_strata, &AmovaTotals::phi_sc, permutations, seed,
             RandomAnalysis::amova_phi_sc, result.phi_sc, progress, done, steps);
    run_test(design, Shuffle::units_among_strata, &AmovaTotals::phi_ct, permutations, seed,
             RandomAnalysis::amova_phi_ct, result.phi_ct, progress, done, steps);
    return result;
}

std::vector<double> pairwise_phi_st(const Dataset& data) {
    const std::vector<SamplePair> order = sample_pairs(data.sample_count());
    const std::size_t total = order.size();
    std::vector<double> values(total);
    struct PairScratch {
        LocusCarriers carriers;
        AmovaScratch amova;
        LocusReader reader;
        std::vector<AmovaTotals> sums;  // one per pair of the run
    };
    PerThread<PairScratch> scratch;
    const std::size_t strata[2] = {0, 0};
    // Runs of pairs, loci outer: each locus is unpacked once per run, and each
    // pair's sums still run in locus order.
    const std::size_t runs = std::min(total, PAIR_PHI_ST_RUNS_PER_THREAD * team_size());
    const std::size_t per_run = runs == 0 ? 0 : (total + runs - 1) / runs;
    parallel_for(runs, 1, [&](std::size_t r) {
        const std::size_t first = std::min(total, r * per_run), end = std::min(total, first + per_run);
        PairScratch& local = scratch.local();
        local.sums.assign(end - first, AmovaTotals{});
        for (std::size_t l = 0; l < data.locus_count(); ++l) {
            const UnpackedLocus& locus = local.reader.read(data.loci, l, Unpack::summaries);
            const LocusSummary& summary = locus.summary;
            for (std::size_t k = first; k < end; ++k) {
                local.carriers.reset(2, locus.coded.allele_count());
                const std::size_t pair[2] = {order[k].first, order[k].second};
                for (std::size_t u = 0; u < 2; ++u) {
                    const SampleSummary& sample = summary.samples[pair[u]];
                    local.carriers.typed[u] = sample.typed;
                    for (std::uint32_t e = sample.alleles_begin; e < sample.alleles_end(); ++e) {
                        const TallyEntry& entry = summary.allele_entries[e];
                        local.carriers.counts[u * local.carriers.alleles + static_cast<std::size_t>(entry.id)] =
                            entry.count;
                    }
                }
                local.sums[k - first].add(amova_locus(local.carriers, strata, 1, false, local.amova));
            }
        }
        for (std::size_t k = first; k < end; ++k) values[k] = local.sums[k - first].phi_st();
    });
    return values;
}

}  // namespace phenostat
