// Carriers as bit sets against direct counting: individuals dealt at random
// into sets, fewer than, exactly and more than 64 of them, with missing
// cells, read back through the masks of the sets.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "analyses/carrier_bits.h"
#include "support/program.h"

namespace phenostat {
namespace {

using Counts = std::vector<int>;  // per set

TEST(CarrierBits, CountsInRandomSetsMatchDirectCounting) {
    struct Case {
        int individuals, missing_percent, sets;
    };
    constexpr int LOCI = 5;
    for (const Case c : {Case{5, 0, 2}, Case{63, 20, 3}, Case{64, 10, 2}, Case{65, 30, 4}, Case{200, 5, 7}}) {
        SCOPED_TRACE(::testing::Message() << c.individuals << " individuals, " << c.missing_percent << "% missing");
        std::mt19937 random(static_cast<unsigned>(c.individuals));
        std::uniform_int_distribution<int> percent(1, 100), allele(1, 6), copies(1, 3), set(0, c.sets - 1);
        // cells[i][l]: individual i's alleles at locus l (empty: not typed).
        std::vector<std::vector<std::set<int>>> cells(static_cast<std::size_t>(c.individuals));
        std::string text = "group\tsample\tindividual\tL0\tL1\tL2\tL3\tL4";
        for (int i = 0; i < c.individuals; ++i) {
            text.append("\ng\ts\t").append(std::to_string(i));
            for (int l = 0; l < LOCI; ++l) {
                std::set<int> alleles;
                // Locus 0 has one allele that all carry; locus 4 is nearly untyped.
                const bool typed = percent(random) > (l == 4 ? 97 : c.missing_percent);
                for (int k = copies(random); typed && k > 0; --k) alleles.insert(l == 0 ? 1 : allele(random));
                if (l == 0 && typed) alleles.insert(allele(random));
                std::string field;
                for (const int a : alleles) field.append(field.empty() ? "" : ",").append(std::to_string(a));
                text.append("\t").append(field.empty() ? "0" : field);
                cells[static_cast<std::size_t>(i)].push_back(alleles);
            }
        }
        const Dataset data = testing::load_with_cells(text);
        std::vector<std::size_t> rows(cells.size());
        std::vector<int> set_of(cells.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            rows[k] = k;
            set_of[k] = set(random);
        }
        const CarrierBits bits(data, PhenotypeAlleles(data), rows, CarrierRowChoice{1, true});
        SetMasks masks(static_cast<std::size_t>(c.sets), rows.size());
        masks.assign(std::span<const int>(set_of));
        const auto in_sets = [&](std::size_t row) {
            Counts counts;
            for (int s = 0; s < c.sets; ++s) counts.push_back(common(bits.row(row), masks.mask(s), bits.words()));
            return counts;
        };
        for (std::size_t l = 0; l < LOCI; ++l) {
            SCOPED_TRACE(::testing::Message() << "locus " << l);
            // Directly: the typed, each allele's carriers and the alleles carried, per set.
            Counts typed(static_cast<std::size_t>(c.sets)), carried(typed.size());
            std::map<int, Counts> carriers;
            std::set<std::set<int>> phenotypes;
            for (std::size_t k = 0; k < cells.size(); ++k) {
                const std::set<int>& alleles = cells[k][l];
                if (alleles.empty()) continue;
                const auto s = static_cast<std::size_t>(set_of[k]);
                ++typed[s];
                carried[s] += static_cast<int>(alleles.size());
                phenotypes.insert(alleles);
                for (const int a : alleles) carriers.try_emplace(a, Counts(typed.size())).first->second[s]++;
            }
            const CarrierBits::Locus& locus = bits.loci()[l];
            int total = 0, everywhere = 0;
            std::multiset<Counts> expected, found;
            for (const int n : typed) total += n;
            for (const auto& [a, counts] : carriers) {
                int sum = 0;
                for (const int n : counts) sum += n;
                if (sum == total)
                    ++everywhere;
                else
                    expected.insert(counts);
            }
            ASSERT_EQ(locus.typed, total);
            if (total == 0) continue;
            EXPECT_EQ(in_sets(locus.first_row), typed);
            EXPECT_EQ(locus.everywhere, everywhere);
            EXPECT_EQ(locus.varies, phenotypes.size() > 1);
            for (std::uint32_t a = 1; a <= locus.alleles; ++a) found.insert(in_sets(locus.first_row + a));
            EXPECT_EQ(found, expected);
            Counts from_bits(typed.size());
            for (std::uint32_t b = 0; b < locus.count_bits; ++b) {
                const Counts plane = in_sets(locus.first_row + 1 + locus.alleles + b);
                for (std::size_t s = 0; s < plane.size(); ++s) from_bits[s] += plane[s] << b;
            }
            EXPECT_EQ(from_bits, carried);
        }
    }
}

}  // namespace
}  // namespace phenostat
