// Loci packed into bytes and unpacked again: every field of every sample's
// summary comes back as the loader made it, and a reader never hands out a
// partial unpacking as the whole locus.

#include "stats/packed_loci.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

namespace phenostat {
namespace {

// A locus summarised from the phenotype texts of each sample's individuals.
UnpackedLocus summarise(const std::vector<std::vector<std::string>>& samples) {
    UnpackedLocus locus;
    LocusCoder coder;
    std::vector<std::int64_t> codes;
    SummaryScratch scratch;
    std::size_t row = 0;
    for (const auto& texts : samples) {
        IdList ids;
        for (const std::string& text : texts)
            if (const std::int32_t id = coder.code(text, row++, locus.coded, codes); id >= 0) ids.push_back(id);
        summarise_sample(ids, locus.coded, locus.summary, scratch);
    }
    return locus;
}

PackedLoci pack(const UnpackedLocus& locus) {
    std::vector<std::uint8_t> bytes;
    pack_coding(locus.coded, bytes);
    for (std::size_t s = 0; s < locus.summary.samples.size(); ++s) pack_sample(locus.coded, locus.summary, s, bytes);
    PackedLoci loci;
    loci.set_sample_count(locus.summary.samples.size());
    const std::uint64_t start = 0;
    loci.append(std::move(bytes), std::span(&start, 1));
    return loci;
}

template <class A, class B>
std::vector<std::int64_t> values(const A& a, B begin, B end) {
    std::vector<std::int64_t> v;
    for (auto i = begin; i < end; ++i) v.push_back(static_cast<std::int64_t>(a[i]));
    return v;
}
std::vector<std::int64_t> tally(const std::vector<TallyEntry>& entries, std::uint32_t begin, std::uint32_t end) {
    std::vector<std::int64_t> v;
    for (auto e = begin; e < end; ++e) v.insert(v.end(), {entries[e].id, entries[e].count});
    return v;
}

// Sample s of `actual` is sample s of `expected`, to the last bit (sizes only when unpacked).
void expect_sample(const UnpackedLocus& expected, const UnpackedLocus& actual, std::size_t s, bool sizes) {
    SCOPED_TRACE(::testing::Message() << "sample " << s);
    const SampleSummary &e = expected.summary.samples[s], &a = actual.summary.samples[s];
    EXPECT_EQ(a.typed, e.typed);
    EXPECT_EQ(a.allele_total, e.allele_total);
    EXPECT_EQ(a.allele_count, e.allele_count);
    EXPECT_EQ(a.psld_calculable, e.psld_calculable);
    for (const double SampleSummary::*field : {&SampleSummary::shannon, &SampleSummary::pq, &SampleSummary::psld})
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.*field), std::bit_cast<std::uint64_t>(e.*field));
    EXPECT_EQ(tally(actual.summary.allele_entries, a.alleles_begin, a.alleles_end()),
              tally(expected.summary.allele_entries, e.alleles_begin, e.alleles_end()));
    EXPECT_EQ(tally(actual.summary.phenotype_entries, a.phenotypes_begin, a.phenotypes_end),
              tally(expected.summary.phenotype_entries, e.phenotypes_begin, e.phenotypes_end));
    if (sizes) {
        EXPECT_EQ(values(actual.summary.sizes, actual.summary.sample_begin[s], actual.summary.sample_begin[s + 1]),
                  values(expected.summary.sizes, expected.summary.sample_begin[s],
                         expected.summary.sample_begin[s + 1]));
    }
}

// Nobody typed; a SNP sample (counts past a byte, values worked out again);
// 300 individuals of as many two-allele phenotypes (ids past a byte, values
// kept); phenotypes of 5 and of 17 alleles (sizes of 4 and 8 bits).
UnpackedLocus varied_locus() {
    std::vector<std::vector<std::string>> samples(5);
    samples[0] = {"", "0"};
    for (int i = 0; i < 400; ++i) samples[1].push_back(i % 3 == 0 ? "1,2" : i % 3 == 1 ? "1" : "");
    for (int a = 1, i = 0; i < 300; ++i, a = a % 20 + 1)
        samples[2].push_back(std::to_string(a) + "," + std::to_string(21 + i % 19));
    samples[3] = {"1,2,3,4,5", "1", "3,4", "9,8,7,6,5", "2"};
    samples[4] = {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", "1", "2,40"};
    return summarise(samples);
}

TEST(PackedLoci, EverySummaryComesBack) {
    const UnpackedLocus expected = varied_locus();
    const PackedLoci loci = pack(expected);
    EXPECT_EQ(loci.typed_per_sample(), (std::vector<std::int64_t>{0, 267, 300, 5, 3}));
    for (const Unpack what : {Unpack::summaries, Unpack::everything}) {
        LocusReader reader;
        const UnpackedLocus& actual = reader.read(loci, 0, what);
        EXPECT_EQ(values(actual.coded.allele_codes, std::size_t{0}, actual.coded.allele_count()),
                  values(expected.coded.allele_codes, std::size_t{0}, expected.coded.allele_count()));
        ASSERT_EQ(actual.coded.phenotype_count(), expected.coded.phenotype_count());
        for (std::size_t s = 0; s < 5; ++s) expect_sample(expected, actual, s, what == Unpack::everything);
    }
}

TEST(PackedLoci, AReaderNeverTakesAPartialOrAnOldLocusForTheOneAsked) {
    const UnpackedLocus expected = varied_locus();
    PackedLoci loci = pack(expected);
    LocusReader reader;
    expect_sample(expected, reader.read(loci, 0), 1, true);
    const std::vector<char> wanted = {0, 0, 1, 0, 0};
    EXPECT_EQ(reader.read_samples(loci, 0, wanted).summary.samples[1].typed, 0);
    expect_sample(expected, reader.read(loci, 0), 1, true);
    // The same place, other loci: read afresh.
    const UnpackedLocus other = summarise({{"7"}, {"7,8"}, {}, {}, {"8"}});
    loci = pack(other);
    expect_sample(other, reader.read(loci, 0), 1, true);
}

}  // namespace
}  // namespace phenostat
