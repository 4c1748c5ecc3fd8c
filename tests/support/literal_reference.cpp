// The literal locus statistics: see literal_reference.h. Written for
// obviousness, not speed: every tally search is linear, every pair of
// individuals is visited, and every sum runs in the order stated beside it.

#include "support/literal_reference.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>

namespace phenostat::literal {
namespace {

// Decimal items separated by commas; any other character drops the digits
// gathered so far in its item; 0 is no allele.
std::vector<int> parse(const std::string& text) {
    std::vector<int> codes;
    long long value = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c >= '0' && c <= '9') {
            value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
            continue;
        }
        if (c == ',' && value != 0) codes.push_back(static_cast<int>(value));
        value = 0;
    }
    return codes;
}

// Items in order of first appearance and their counts; once `cap` items are
// listed a new one is left out.
template <class Item>
void tally(std::vector<Item>& items, std::vector<double>& counts, const Item& item, std::size_t cap) {
    const auto at = static_cast<std::size_t>(std::find(items.begin(), items.end(), item) - items.begin());
    if (at < items.size()) {
        counts[at] += 1.0;
    } else if (at < cap) {
        items.push_back(item);
        counts.push_back(1.0);
    }
}

// Allele-carrier and phenotype tallies of some samples, counts divided by n;
// the Shannon-Weaver and p(1-p) diversities of the phenotype frequencies.
struct Tallies {
    std::vector<int> alleles;
    std::vector<Individual> phenotypes;
    std::vector<double> a, p;
    double shannon = 0.0, pq = 0.0;
    Tallies(const std::vector<Sample>& samples, double n) {
        for (const Sample& sample : samples) {
            for (const Individual& x : sample) {
                for (int code : x) tally(alleles, a, code, SIZE_MAX);
                tally(phenotypes, p, x, 500);
            }
        }
        for (double& c : a) c = c / n;
        for (double& c : p) c = c / n;
        for (double x : p) shannon -= x * std::log(x), pq += x * (1.0 - x);
    }
};

// Adds w times the mean, variance (over n), largest and smallest non-zero
// value of v, each in list order, to the four record columns from `column`.
void add_summary(LocusStats& r, int column, const std::vector<double>& v, double w) {
    if (v.empty()) return;
    const double n = static_cast<double>(v.size());
    double mean = 0.0, var = 0.0, max = v[0], min = v[0];
    for (double x : v) mean += x;
    mean = mean / n;
    for (double x : v) var += (mean - x) * (mean - x);
    var = var / n;
    for (double x : v) {
        if (x > max) max = x;
        if (x < min && x != 0.0) min = x;
    }
    const double values[4] = {mean, var, max, min};
    for (int k = 0; k < 4; ++k) r.*PRINTED_FIELDS[column - 1 + k] += w * values[k];
}

bool carries(const Individual& x, int code) { return std::find(x.begin(), x.end(), code) != x.end(); }

// PsLD of one sample; -1.0 when fewer than two of its alleles are missing
// from some of its individuals.
double sample_psld(const Tallies& t) {
    std::vector<std::size_t> v;  // the varying alleles
    for (std::size_t k = 0; k < t.alleles.size(); ++k)
        if (t.a[k] != 1.0) v.push_back(k);
    if (v.size() < 2) return -1.0;
    double psld = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        for (std::size_t j = i + 1; j < v.size(); ++j) {
            double both = 0.0;
            for (std::size_t k = 0; k < t.phenotypes.size(); ++k)
                if (carries(t.phenotypes[k], t.alleles[v[i]]) && carries(t.phenotypes[k], t.alleles[v[j]]))
                    both += t.p[k];
            const double d = t.a[v[i]] * t.a[v[j]] - both;
            psld += d * d;
        }
    }
    return psld;
}

// Codes carried by both individuals (both lists ascending).
long long shared_by(const Individual& x, const Individual& y) {
    long long n = 0;
    for (std::size_t i = 0, j = 0; i < x.size() && j < y.size();) {
        n += x[i] == y[j];
        const int xi = x[i];
        i += xi <= y[j];
        j += y[j] <= xi;
    }
    return n;
}

double pair_mean(long long sum, long long n) {
    return n == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(n);
}

}  // namespace

std::vector<Sample> code_samples(const std::vector<Row>& rows, std::size_t locus) {
    std::vector<Sample> samples;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (k == 0 || rows[k].sample != rows[k - 1].sample) samples.emplace_back();
        Individual x = parse(locus < rows[k].loci.size() ? rows[k].loci[locus] : "");
        std::sort(x.begin(), x.end());
        x.erase(std::unique(x.begin(), x.end()), x.end());
        if (!x.empty()) samples.back().push_back(x);
    }
    return samples;
}

LocusStats compute_locus_stats(const std::vector<Sample>& samples, int* warnings) {
    LocusStats r;
    std::vector<double> carried;  // alleles of every typed individual, sample 0 first
    for (const Sample& sample : samples)
        for (const Individual& x : sample) carried.push_back(static_cast<double>(x.size()));
    if (carried.empty()) {
        if (warnings) ++*warnings;
        return r;
    }
    const double total = static_cast<double>(carried.size());

    const Tallies pooled(samples, total);
    std::vector<double> sizes;
    for (const Individual& p : pooled.phenotypes) sizes.push_back(static_cast<double>(p.size()));
    add_summary(r, 15, carried, 1.0);   // alleles per individual
    add_summary(r, 28, pooled.a, 1.0);  // allele-carrier frequencies across samples
    add_summary(r, 36, pooled.p, 1.0);  // phenotype frequencies across samples
    LocusStats size;
    add_summary(size, 15, sizes, 1.0);
    r.phenotype_size_mean = size.alleles_per_individual_mean;
    r.phenotype_size_var = size.alleles_per_individual_var;
    r.alleles_seen = static_cast<double>(pooled.alleles.size());
    r.phenotypes_seen = static_cast<double>(pooled.phenotypes.size());
    r.polymorphic = r.phenotypes_seen == 1.0 ? 0.0 : 1.0;
    r.shannon_across = pooled.shannon;
    r.pq_across = pooled.pq;

    // Within samples, sample by sample with weights n_s / N; PsLD over the samples that give one.
    long long psld_weight = 0;
    double psld_sum = 0.0;
    for (const Sample& sample : samples) {
        if (sample.empty()) continue;
        const double n = static_cast<double>(sample.size()), w = n / total;
        const Tallies t({sample}, n);
        r.alleles_per_sample += w * static_cast<double>(t.alleles.size());
        r.phenotypes_per_sample += w * static_cast<double>(t.phenotypes.size());
        r.shannon_within += w * t.shannon;
        r.pq_within += w * t.pq;
        add_summary(r, 32, t.a, w);
        add_summary(r, 40, t.p, w);
        const double psld = sample_psld(t);
        if (psld == -1.0) continue;
        psld_weight += static_cast<long long>(sample.size());
        psld_sum += n * psld;
    }
    if (psld_weight > 0) {
        r.psld = psld_sum / static_cast<double>(psld_weight);
        r.psld_calculable = 1.0;
    }

    // Every pair of individuals: [0] within a sample, [1] between two.
    long long pairs[2] = {0, 0}, shared[2] = {0, 0}, unshared[2] = {0, 0};
    for (std::size_t s = 0; s < samples.size(); ++s) {
        for (std::size_t t = s; t < samples.size(); ++t) {
            const int b = s == t ? 0 : 1;
            for (std::size_t i = 0; i < samples[s].size(); ++i) {
                for (std::size_t j = b ? 0 : i + 1; j < samples[t].size(); ++j) {
                    const Individual &x = samples[s][i], &y = samples[t][j];
                    const long long both = shared_by(x, y);
                    pairs[b] += 1;
                    shared[b] += both;
                    unshared[b] += static_cast<long long>(x.size() + y.size()) - 2 * both;  // carried by one only
                }
            }
        }
    }
    if (pairs[0] == 0 && warnings) ++*warnings;
    r.unshared_within = pair_mean(unshared[0], pairs[0]);
    r.shared_within = pair_mean(shared[0], pairs[0]);
    if (samples.size() < 2) return r;  // one sample: the across, between and F'st fields stay 0
    r.unshared_across = pair_mean(unshared[0] + unshared[1], pairs[0] + pairs[1]);
    r.shared_across = pair_mean(shared[0] + shared[1], pairs[0] + pairs[1]);
    r.shared_between = pair_mean(shared[1], pairs[1]);
    r.unshared_between = pair_mean(unshared[1], pairs[1]);
    if (r.polymorphic == 1.0) {
        r.fst_unshared = (r.unshared_across - r.unshared_within) / r.unshared_across;
        r.fst_shannon = (r.shannon_across - r.shannon_within) / r.shannon_across;
        r.fst_pq = (r.pq_across - r.pq_within) / r.pq_across;
    }
    return r;
}

LocusStats average_across_loci(const std::vector<LocusStats>& records, const std::vector<long long>& weights) {
    LocusStats avg;
    const long long total = std::accumulate(weights.begin(), weights.end(), 0LL);
    long long variable_weight = 0;
    for (std::size_t i = 0; total > 0 && i < records.size(); ++i) {
        const double p = static_cast<double>(weights[i]) / static_cast<double>(total);
        for (LocusStatsField f : PRINTED_FIELDS)
            if (f != &LocusStats::phenotypes_per_sample_variable) avg.*f += p * records[i].*f;
        if (records[i].phenotypes_per_sample > 1.0) {  // column 5: the variable loci only, weighted by their counts
            avg.phenotypes_per_sample_variable += static_cast<double>(weights[i]) * records[i].phenotypes_per_sample;
            variable_weight += weights[i];
        }
    }
    if (variable_weight > 0) avg.phenotypes_per_sample_variable /= static_cast<double>(variable_weight);
    return avg;
}

TableStats compute_table(const std::vector<Row>& rows, std::size_t locus_count) {
    TableStats out;
    std::vector<long long> weights;
    for (std::size_t locus = 0; locus < locus_count; ++locus) {
        const std::vector<Sample> samples = code_samples(rows, locus);
        out.loci.push_back(compute_locus_stats(samples, &out.warnings));
        weights.push_back(0);
        for (const Sample& sample : samples) weights.back() += static_cast<long long>(sample.size());
    }
    out.average = average_across_loci(out.loci, weights);
    return out;
}

// ---- Groups ----

std::vector<std::size_t> run_starts(const std::vector<GroupedRow>& rows) {
    std::vector<std::size_t> starts;
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (r == 0 || rows[r].row.sample != rows[r - 1].row.sample) starts.push_back(r);
    return starts;
}

std::vector<Row> rows_of_runs(const std::vector<GroupedRow>& rows, const std::vector<std::size_t>& runs) {
    const std::vector<std::size_t> starts = run_starts(rows);
    std::vector<Row> out;
    for (std::size_t s : runs)
        for (std::size_t r = starts[s]; r < (s + 1 < starts.size() ? starts[s + 1] : rows.size()); ++r)
            out.push_back({std::string("#").append(std::to_string(s)), rows[r].row.loci});
    return out;
}

TableStats group_table(const std::vector<GroupedRow>& rows, const std::vector<std::string>& group_of_run,
                       const std::string& group) {
    std::vector<std::size_t> members;
    std::size_t locus_count = 0;
    for (std::size_t s = 0; s < group_of_run.size(); ++s)
        if (group_of_run[s] == group) members.push_back(s);
    for (const GroupedRow& r : rows) locus_count = std::max(locus_count, r.row.loci.size());
    return compute_table(rows_of_runs(rows, members), locus_count);
}

}  // namespace phenostat::literal
