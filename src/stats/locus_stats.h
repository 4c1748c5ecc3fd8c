#pragma once
// The statistics record of one locus over a set of samples.
//
// Terms: N is the number of individuals typed at the locus in the samples of
// the set, n_s the number typed in sample s. "Pooled" values treat the set as
// one population; "weighted within" values are sums over the samples of
// (n_s / N) times the value inside sample s. A carrier frequency is the number
// of typed individuals carrying an allele (or having a phenotype) divided by
// the number of typed individuals. Variances divide by n, not n - 1.
//
// Every count, flag and mean is a double; flags hold exactly 1.0 or 0.0.

namespace phenostat {

struct LocusStats {
    double alleles_seen = 0;                    // distinct alleles, pooled
    double alleles_per_sample = 0;              // weighted within: distinct alleles in the sample
    double phenotypes_seen = 0;                 // distinct phenotypes, pooled (at most 500)
    double phenotypes_per_sample = 0;           // weighted within: distinct phenotypes in the sample
    double phenotypes_per_sample_variable = 0;  // average record only: column 4 over the variable loci
    double unshared_within = 0;                 // mean unshared alleles, pairs within a sample
    double unshared_across = 0;                 // mean unshared alleles, all pairs
    double fst_unshared = 0;                    // (across - within) / across
    double shannon_within = 0;                  // weighted within: Shannon-Weaver phenotype diversity
    double shannon_across = 0;                  // Shannon-Weaver phenotype diversity, pooled
    double fst_shannon = 0;
    double pq_within = 0;  // weighted within: sum of p(1-p) over phenotypes
    double pq_across = 0;  // the same, pooled
    double fst_pq = 0;
    double alleles_per_individual_mean = 0;  // alleles carried by a typed individual
    double alleles_per_individual_var = 0;
    double alleles_per_individual_max = 0;
    double alleles_per_individual_min = 0;
    double phenotype_size_mean = 0;  // alleles in a distinct phenotype (unweighted), pooled
    double phenotype_size_var = 0;
    double shared_within = 0;            // mean shared alleles, pairs within a sample
    double shared_between = 0;           // mean shared alleles, pairs from different samples
    double unshared_between = 0;         // mean unshared alleles, pairs from different samples
    double shared_across = 0;            // mean shared alleles, all pairs
    double allele_freq_across_mean = 0;  // carrier frequencies of the distinct alleles, pooled
    double allele_freq_across_var = 0;
    double allele_freq_across_max = 0;
    double allele_freq_across_min = 0;
    double allele_freq_within_mean = 0;  // weighted within: the same inside each sample
    double allele_freq_within_var = 0;
    double allele_freq_within_max = 0;
    double allele_freq_within_min = 0;
    double phenotype_freq_across_mean = 0;  // frequencies of the distinct phenotypes, pooled
    double phenotype_freq_across_var = 0;
    double phenotype_freq_across_max = 0;
    double phenotype_freq_across_min = 0;
    double phenotype_freq_within_mean = 0;  // weighted within: the same inside each sample
    double phenotype_freq_within_var = 0;
    double phenotype_freq_within_max = 0;
    double phenotype_freq_within_min = 0;
    double psld = 0;             // n_s-weighted mean of the samples' PsLD where calculable
    double psld_calculable = 0;  // 1.0 when some sample gave a PsLD
    double polymorphic = 0;      // 0.0 when exactly one distinct phenotype was seen

    bool operator==(const LocusStats&) const = default;
};

}  // namespace phenostat
