// The literal locus statistics: see literal_reference.h. Written for
// obviousness, not speed: every tally search is linear, every pair of
// individuals is visited, and every sum runs in the order stated beside it.

#include "literal_reference.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace phenostat::literal {
namespace {

constexpr int ALLELE_SLOTS = 200;
constexpr int PHENOTYPE_SLOTS = 500;
constexpr int PHENOTYPE_CODES = 20;
constexpr int FREE = -1;  // a free allele slot, or the end of a shorter phenotype

// ---- Coding ----

// A run of digits as a decimal number (0 when empty), capped at INT_MAX.
int decimal_value(const std::string& digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > INT_MAX) value = INT_MAX;
    }
    return static_cast<int>(value);
}

// Sorts each individual's codes ascending, then drops every entry equal to
// the entry right after it (the repeated codes).
void sort_phenotypes(std::vector<int>& list) {
    std::size_t start = 0;
    for (std::size_t i = 0; list[i] != SAMPLE_END; ++i) {
        if (list[i] == PHENOTYPE_END) {
            std::sort(list.begin() + static_cast<long>(start), list.begin() + static_cast<long>(i));
            start = i + 1;
        }
    }
    std::vector<int> compacted;
    for (std::size_t i = 0; list[i] != SAMPLE_END; ++i)
        if (list[i] != list[i + 1]) compacted.push_back(list[i]);
    compacted.push_back(SAMPLE_END);
    list = compacted;
}

// ---- Tallies ----

struct AlleleTally {
    std::array<int, ALLELE_SLOTS> code;
    std::array<double, ALLELE_SLOTS> count;  // carriers, later a frequency
};

struct PhenotypeTally {
    std::array<std::array<int, PHENOTYPE_CODES>, PHENOTYPE_SLOTS> phenotype;
    std::array<double, PHENOTYPE_SLOTS> count;  // individuals, later a frequency
};

void clear(AlleleTally& t) {
    t.code.fill(FREE);
    t.count.fill(0.0);
}

void clear(PhenotypeTally& t) {
    for (auto& p : t.phenotype) p.fill(FREE);
    t.count.fill(0.0);
}

bool selected(int selector, std::size_t s) { return selector == -1 || static_cast<std::size_t>(selector) == s; }

void tally_alleles(int selector, const std::vector<std::vector<int>>& lists, AlleleTally& t) {
    for (std::size_t s = 0; s < lists.size(); ++s) {
        if (!selected(selector, s)) continue;
        for (std::size_t i = 0; lists[s][i] != SAMPLE_END; ++i) {
            const int code = lists[s][i];
            if (code == PHENOTYPE_END) continue;
            int k = 0;
            while (k < ALLELE_SLOTS && t.code[k] != code && t.code[k] != FREE) ++k;
            if (k == ALLELE_SLOTS) throw std::out_of_range("literal reference: more than 200 alleles");
            if (t.code[k] == FREE) t.code[k] = code;
            t.count[k] += 1.0;
        }
    }
}

// Whether slot `p` holds exactly the codes list[begin .. end).
bool same_phenotype(const std::array<int, PHENOTYPE_CODES>& p, const std::vector<int>& list, std::size_t begin,
                    std::size_t end) {
    const std::size_t length = end - begin;
    if (length > PHENOTYPE_CODES) throw std::out_of_range("literal reference: more than 20 codes");
    for (std::size_t i = 0; i < PHENOTYPE_CODES; ++i) {
        const int wanted = i < length ? list[begin + i] : FREE;
        if (p[i] != wanted) return false;
    }
    return true;
}

void tally_phenotypes(int selector, const std::vector<std::vector<int>>& lists, PhenotypeTally& t) {
    for (std::size_t s = 0; s < lists.size(); ++s) {
        if (!selected(selector, s)) continue;
        std::size_t begin = 0;
        while (lists[s][begin] != SAMPLE_END) {
            std::size_t end = begin;
            while (lists[s][end] != PHENOTYPE_END) ++end;
            int first_free = -1;
            bool found = false;
            for (int k = 0; k < PHENOTYPE_SLOTS && !found; ++k) {
                if (same_phenotype(t.phenotype[k], lists[s], begin, end)) {
                    t.count[k] += 1.0;
                    found = true;
                } else if (first_free < 0 && t.phenotype[k][0] == FREE) {
                    first_free = k;
                }
            }
            if (!found && first_free >= 0) {  // with all 500 slots used the individual is left out
                for (std::size_t i = begin; i < end; ++i) t.phenotype[first_free][i - begin] = lists[s][i];
                t.count[first_free] = 1.0;
            }
            begin = end + 1;
        }
    }
}

double phenotype_size(const std::array<int, PHENOTYPE_CODES>& p) {
    double size = 0;
    for (int i = 0; i < PHENOTYPE_CODES && p[i] != FREE; ++i) size += 1.0;
    return size;
}

// ---- Operations over the first x entries of an array of doubles ----

double count_nonzero(const double* v, double k) {
    double n = 0;
    for (int i = 0; i < k; ++i)
        if (v[i] != 0.0) n += 1.0;
    return n;
}

double mean_of(const double* v, double x) {
    if (x <= 0) return 0.0;
    double sum = 0.0;
    for (int i = 0; i < x; ++i) sum += v[i];
    return sum / x;
}

double variance_of(const double* v, double x, double m) {
    if (x <= 0) return 0.0;
    double sum = 0.0;
    for (int i = 0; i < x; ++i) {
        const double d = m - v[i];
        sum += d * d;
    }
    return sum / x;
}

double max_of(const double* v, double x) {
    double r = v[0];
    for (int i = 0; i < x; ++i)
        if (v[i] > r) r = v[i];
    return r;
}

double min_nonzero_of(const double* v, double x) {
    double r = v[0];
    for (int i = 0; i < x; ++i)
        if (v[i] < r && v[i] != 0.0) r = v[i];
    return r;
}

double shannon_weaver(const double* p, double k) {
    double h = 0.0;
    for (int i = 0; i < k; ++i) h -= p[i] * std::log(p[i]);
    return h;
}

double pq_diversity(const double* p, double k) {
    double sum = 0.0;
    for (int i = 0; i < k; ++i) sum += p[i] * (1.0 - p[i]);
    return sum;
}

bool occurs_in(const std::array<int, PHENOTYPE_CODES>& p, int code) {
    for (int i = 0; i < PHENOTYPE_CODES && p[i] != FREE; ++i)
        if (p[i] == code) return true;
    return false;
}

// PsLD of one sample whose tallies hold frequencies within the sample; -1.0
// when fewer than two alleles are missing from some of its individuals.
double sample_psld(const AlleleTally& a, const PhenotypeTally& p, double phenotype_count) {
    auto varies = [&](int k) { return a.code[k] != FREE && a.count[k] != 1.0; };
    int varying = 0;
    for (int k = 0; k < ALLELE_SLOTS; ++k)
        if (varies(k)) ++varying;
    if (varying < 2) return -1.0;
    double psld = 0.0;
    for (int i = 0; i < ALLELE_SLOTS; ++i) {
        for (int j = i + 1; j < ALLELE_SLOTS; ++j) {
            if (!varies(i) || !varies(j)) continue;
            double both = 0.0;
            for (int k = 0; k < phenotype_count; ++k)
                if (occurs_in(p.phenotype[k], a.code[i]) && occurs_in(p.phenotype[k], a.code[j])) both += p.count[k];
            const double d = a.count[i] * a.count[j] - both;
            psld += d * d;
        }
    }
    return psld;
}

// ---- Pairs of individuals ----

// The individuals of a sample list, each with its terminating PHENOTYPE_END.
std::vector<std::vector<int>> individuals_of(const std::vector<int>& list) {
    std::vector<std::vector<int>> out;
    std::vector<int> current;
    for (std::size_t i = 0; list[i] != SAMPLE_END; ++i) {
        current.push_back(list[i]);
        if (list[i] == PHENOTYPE_END) {
            out.push_back(current);
            current.clear();
        }
    }
    return out;
}

long long shared(const std::vector<int>& x, const std::vector<int>& y) {
    long long n = 0;
    for (std::size_t i = 0; x[i] != PHENOTYPE_END; ++i)
        for (std::size_t j = 0; y[j] != PHENOTYPE_END; ++j)
            if (x[i] == y[j]) ++n;
    return n;
}

// Entries of x found nowhere in y; the scan of each list stops at its end marker or its length.
long long missing_from(const std::vector<int>& x, const std::vector<int>& y) {
    long long n = 0;
    for (std::size_t i = 0; i < x.size() && x[i] != PHENOTYPE_END; ++i) {
        bool found = false;
        for (std::size_t j = 0; j < y.size() && y[j] != PHENOTYPE_END; ++j)
            if (x[i] == y[j]) found = true;
        if (!found) ++n;
    }
    return n;
}

long long unshared_pair(const std::vector<int>& x, const std::vector<int>& y) {
    return missing_from(x, y) + missing_from(y, x);
}

// Flag 1 (b the same list as a): y runs over the individuals after x.
long long shared_count(const std::vector<int>& a, const std::vector<int>& b, int flag) {
    const auto xs = individuals_of(a);
    const auto ys = individuals_of(b);
    long long sum = 0;
    for (std::size_t i = 0; i < xs.size(); ++i)
        for (std::size_t j = (flag == 1 ? i + 1 : 0); j < ys.size(); ++j) sum += shared(xs[i], ys[j]);
    return sum;
}

// Flag 1 (b the same list as a): y runs over the individuals before x.
long long unshared_count(const std::vector<int>& a, const std::vector<int>& b, int flag) {
    const auto xs = individuals_of(a);
    const auto ys = individuals_of(b);
    long long sum = 0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const std::size_t end = flag == 1 ? i : ys.size();
        for (std::size_t j = 0; j < end; ++j) sum += unshared_pair(xs[i], ys[j]);
    }
    return sum;
}

double pair_mean(long long sum, long long pairs) {
    return pairs == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(pairs);
}

struct PairCounts {
    long long within = 0;
    long long between = 0;
};

PairCounts pair_counts(const std::vector<int>& n) {
    PairCounts c;
    for (std::size_t s = 0; s < n.size(); ++s) {
        c.within += static_cast<long long>(n[s]) * (n[s] - 1) / 2;
        for (std::size_t t = s + 1; t < n.size(); ++t) c.between += static_cast<long long>(n[s]) * n[t];
    }
    return c;
}

void pair_statistics(const std::vector<std::vector<int>>& lists, const std::vector<int>& n, LocusStats& r,
                     int* warnings) {
    const std::size_t count = lists.size();
    const PairCounts pairs = pair_counts(n);

    long long unshared_within = 0, shared_within = 0;
    for (std::size_t s = 0; s < count; ++s) {
        unshared_within += unshared_count(lists[s], lists[s], 1);
        shared_within += shared_count(lists[s], lists[s], 1);
    }
    if (pairs.within == 0 && warnings) ++*warnings;
    r.unshared_within = pair_mean(unshared_within, pairs.within);
    r.shared_within = pair_mean(shared_within, pairs.within);
    if (count < 2) return;

    long long unshared_across = 0, shared_across = 0, shared_between = 0, unshared_between = 0;
    for (std::size_t s = 0; s < count; ++s) {
        unshared_across += unshared_count(lists[s], lists[s], 1);
        shared_across += shared_count(lists[s], lists[s], 1);
        for (std::size_t t = s + 1; t < count; ++t) {
            unshared_across += unshared_count(lists[s], lists[t], 0);
            shared_across += shared_count(lists[s], lists[t], 0);
            shared_between += shared_count(lists[s], lists[t], 0);
        }
        for (std::size_t t = 0; t < s; ++t) unshared_between += unshared_count(lists[s], lists[t], 0);
    }
    r.unshared_across = pair_mean(unshared_across, pairs.within + pairs.between);
    r.shared_across = pair_mean(shared_across, pairs.within + pairs.between);
    r.shared_between = pair_mean(shared_between, pairs.between);
    r.unshared_between = pair_mean(unshared_between, pairs.between);
}

// ---- The record ----

// Steps 2 to 9: the pooled values. Leaves the pooled frequencies in the tallies.
void pooled_statistics(const std::vector<std::vector<int>>& lists, double total, AlleleTally& at, PhenotypeTally& pt,
                       LocusStats& r) {
    clear(at);
    clear(pt);
    tally_alleles(-1, lists, at);
    tally_phenotypes(-1, lists, pt);

    std::vector<double> work;  // codes carried by every typed individual, sample 0 first
    for (const auto& list : lists)
        for (const auto& x : individuals_of(list)) work.push_back(static_cast<double>(x.size() - 1));
    r.alleles_per_individual_mean = mean_of(work.data(), total);
    r.alleles_per_individual_var = variance_of(work.data(), total, r.alleles_per_individual_mean);
    r.alleles_per_individual_max = max_of(work.data(), total);
    r.alleles_per_individual_min = min_nonzero_of(work.data(), total);

    r.alleles_seen = count_nonzero(at.count.data(), ALLELE_SLOTS);
    r.phenotypes_seen = count_nonzero(pt.count.data(), PHENOTYPE_SLOTS);

    std::vector<double> sizes;
    for (int k = 0; k < r.phenotypes_seen; ++k) sizes.push_back(phenotype_size(pt.phenotype[k]));
    r.phenotype_size_mean = mean_of(sizes.data(), r.phenotypes_seen);
    r.phenotype_size_var = variance_of(sizes.data(), r.phenotypes_seen, r.phenotype_size_mean);

    for (int k = 0; k < r.alleles_seen; ++k) at.count[k] = at.count[k] / total;
    for (int k = 0; k < r.phenotypes_seen; ++k) pt.count[k] = pt.count[k] / total;

    r.polymorphic = r.phenotypes_seen == 1.0 ? 0.0 : 1.0;
    r.shannon_across = shannon_weaver(pt.count.data(), r.phenotypes_seen);
    r.pq_across = pq_diversity(pt.count.data(), r.phenotypes_seen);

    const double* af = at.count.data();
    r.allele_freq_across_mean = mean_of(af, r.alleles_seen);
    r.allele_freq_across_var = variance_of(af, r.alleles_seen, r.allele_freq_across_mean);
    r.allele_freq_across_max = max_of(af, r.alleles_seen);
    r.allele_freq_across_min = min_nonzero_of(af, r.alleles_seen);
    const double* pf = pt.count.data();
    r.phenotype_freq_across_mean = mean_of(pf, r.phenotypes_seen);
    r.phenotype_freq_across_var = variance_of(pf, r.phenotypes_seen, r.phenotype_freq_across_mean);
    r.phenotype_freq_across_max = max_of(pf, r.phenotypes_seen);
    r.phenotype_freq_across_min = min_nonzero_of(pf, r.phenotypes_seen);
}

// Step 11 for sample s (n_s > 0): adds its weighted values, returns its PsLD.
double add_sample(const std::vector<std::vector<int>>& lists, std::size_t s, double n_s, double total,
                  AlleleTally& at, PhenotypeTally& pt, LocusStats& r) {
    const double w = n_s / total;
    clear(at);
    clear(pt);
    tally_alleles(static_cast<int>(s), lists, at);
    tally_phenotypes(static_cast<int>(s), lists, pt);
    const double a_s = count_nonzero(at.count.data(), ALLELE_SLOTS);
    const double k_s = count_nonzero(pt.count.data(), PHENOTYPE_SLOTS);
    for (int k = 0; k < a_s; ++k) at.count[k] = at.count[k] / n_s;
    for (int k = 0; k < k_s; ++k) pt.count[k] = pt.count[k] / n_s;

    r.alleles_per_sample += w * a_s;
    r.phenotypes_per_sample += w * k_s;
    r.shannon_within += w * shannon_weaver(pt.count.data(), k_s);
    r.pq_within += w * pq_diversity(pt.count.data(), k_s);

    const double* af = at.count.data();
    const double am = mean_of(af, a_s);
    r.allele_freq_within_mean += w * am;
    r.allele_freq_within_var += w * variance_of(af, a_s, am);
    r.allele_freq_within_max += w * max_of(af, a_s);
    r.allele_freq_within_min += w * min_nonzero_of(af, a_s);
    const double* pf = pt.count.data();
    const double pm = mean_of(pf, k_s);
    r.phenotype_freq_within_mean += w * pm;
    r.phenotype_freq_within_var += w * variance_of(pf, k_s, pm);
    r.phenotype_freq_within_max += w * max_of(pf, k_s);
    r.phenotype_freq_within_min += w * min_nonzero_of(pf, k_s);

    return sample_psld(at, pt, k_s);
}

}  // namespace

std::vector<int> parse_phenotype(const std::string& text) {
    std::vector<int> out;
    std::string digits;
    for (std::size_t i = 0;; ++i) {
        const char c = i < text.size() ? text[i] : '\0';  // a NUL ends the text as its end does
        if (c >= '0' && c <= '9') {
            digits += c;
            continue;
        }
        if (c == ',' || c == '\0') {
            const int value = decimal_value(digits);
            if (value != 0) out.push_back(value);
        }
        digits.clear();
        if (c == '\0') break;
    }
    out.push_back(PHENOTYPE_END);
    return out;
}

std::vector<std::vector<int>> code_locus(const std::vector<Row>& rows, std::size_t locus) {
    std::vector<std::vector<int>> lists;
    std::vector<int> current;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::vector<int> codes = parse_phenotype(locus < rows[k].loci.size() ? rows[k].loci[locus] : "");
        for (std::size_t i = 0; codes[i] != PHENOTYPE_END; ++i) current.push_back(codes[i]);
        if (codes[0] != PHENOTYPE_END) current.push_back(PHENOTYPE_END);
        if (k + 1 == rows.size() || rows[k + 1].sample != rows[k].sample) {
            current.push_back(SAMPLE_END);
            sort_phenotypes(current);
            lists.push_back(current);
            current.clear();
        }
    }
    return lists;
}

std::vector<int> count_typed_individuals(const std::vector<std::vector<int>>& lists) {
    std::vector<int> counts;
    for (const auto& list : lists) {
        int n = 0;
        for (std::size_t i = 0; list[i] != SAMPLE_END; ++i)
            if (list[i] == PHENOTYPE_END) ++n;
        counts.push_back(n);
    }
    return counts;
}

LocusStats compute_locus_stats(const std::vector<std::vector<int>>& lists, int* warnings) {
    LocusStats r;
    const std::vector<int> n = count_typed_individuals(lists);
    long long typed = 0;
    for (int n_s : n) typed += n_s;
    if (typed == 0) {  // nothing typed: an all-zero record (there is still no pair within)
        if (warnings) ++*warnings;
        return r;
    }
    const double total = static_cast<double>(typed);
    const std::size_t count = lists.size();

    AlleleTally at;
    PhenotypeTally pt;
    pooled_statistics(lists, total, at, pt, r);

    std::vector<double> psld(count, -1.0);
    for (std::size_t s = 0; s < count; ++s)
        if (n[s] > 0) psld[s] = add_sample(lists, s, static_cast<double>(n[s]), total, at, pt, r);

    pair_statistics(lists, n, r, warnings);

    long long psld_weight = 0;
    double psld_sum = 0.0;
    for (std::size_t s = 0; s < count; ++s) {
        if (psld[s] == -1.0) continue;
        psld_weight += n[s];
        psld_sum += static_cast<double>(n[s]) * psld[s];
    }
    if (psld_weight > 0) {
        r.psld = psld_sum / static_cast<double>(psld_weight);
        r.psld_calculable = 1.0;
    }

    if (count >= 2 && r.polymorphic == 1.0) {
        r.fst_unshared = (r.unshared_across - r.unshared_within) / r.unshared_across;
        r.fst_shannon = (r.shannon_across - r.shannon_within) / r.shannon_across;
        r.fst_pq = (r.pq_across - r.pq_within) / r.pq_across;
    }
    // With one sample the across, between and F'st fields were never set: they stay 0.0.
    return r;
}

LocusStats average_across_loci(const std::vector<LocusStats>& records, const std::vector<long long>& weights) {
    LocusStats avg;
    long long total = 0;
    for (std::size_t i = 0; i < records.size(); ++i) total += weights[i];
    if (total == 0) return avg;

    LocusStatsField const variable = &LocusStats::phenotypes_per_sample_variable;
    long long variable_weight = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const LocusStats& r = records[i];
        const double p = static_cast<double>(weights[i]) / static_cast<double>(total);
        for (LocusStatsField f : PRINTED_FIELDS)
            if (f != variable) avg.*f += p * r.*f;
        if (r.phenotypes_per_sample > 1.0) {
            avg.phenotypes_per_sample_variable += static_cast<double>(weights[i]) * r.phenotypes_per_sample;
            variable_weight += weights[i];
        }
    }
    if (variable_weight > 0) avg.phenotypes_per_sample_variable /= static_cast<double>(variable_weight);
    return avg;
}

std::size_t locus_count_of(const std::vector<Row>& rows) {
    std::size_t count = 0;
    for (const Row& row : rows) count = std::max(count, row.loci.size());
    return count;
}

TableStats compute_table(const std::vector<Row>& rows, std::size_t locus_count) {
    TableStats out;
    std::vector<long long> weights;
    for (std::size_t locus = 0; locus < locus_count; ++locus) {
        const auto lists = code_locus(rows, locus);
        long long typed = 0;
        for (int n_s : count_typed_individuals(lists)) typed += n_s;
        out.loci.push_back(compute_locus_stats(lists, &out.warnings));
        weights.push_back(typed);
    }
    out.average = average_across_loci(out.loci, weights);
    return out;
}

// ---- Groups ----

TableStats group_table(const std::vector<GroupedRow>& rows, const std::string& group) {
    std::vector<Row> copied;
    std::size_t locus_count = 0;
    for (const GroupedRow& r : rows) {
        locus_count = std::max(locus_count, r.row.loci.size());
        if (r.group == group) copied.push_back(r.row);
    }
    return compute_table(copied, locus_count);
}

ComparedStatistics group_compared_statistics(const std::vector<GroupedRow>& rows, const std::string& group) {
    const LocusStats average = group_table(rows, group).average;
    ComparedStatistics out{};
    for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) out[k] = average.*COMPARED_FIELDS[k];
    return out;
}

std::vector<std::string> group_names(const std::vector<GroupedRow>& rows) {
    std::vector<std::string> names;
    for (const GroupedRow& r : rows)
        if (!r.group.empty() && std::find(names.begin(), names.end(), r.group) == names.end())
            names.push_back(r.group);
    return names;
}

ComparedStatistics test_statistics(const std::vector<ComparedStatistics>& groups) {
    ComparedStatistics out{};
    for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
        double sum = 0.0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            for (std::size_t j = i + 1; j < groups.size(); ++j) {
                const double d = groups[i][k] - groups[j][k];
                sum += d * d;
            }
        }
        out[k] = sum;
    }
    return out;
}

ComparedStatistics group_test_statistics(const std::vector<GroupedRow>& rows) {
    std::vector<ComparedStatistics> groups;
    for (const std::string& name : group_names(rows)) groups.push_back(group_compared_statistics(rows, name));
    return test_statistics(groups);
}

}  // namespace phenostat::literal
