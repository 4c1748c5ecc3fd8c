#!/usr/bin/env python3
"""Writes structured data for the principal coordinates benchmark: samples of
250 individuals (the last one smaller), 4 groups, each group and each sample
with allele frequencies drifted from a locus's own, 1% of cells missing.

    make_pcoa_data.py vcf OUT.vcf.gz INDIVIDUALS RECORDS PLOIDY
        biallelic records, every individual of the given ploidy, and the
        sample map OUT.vcf.gz.map.txt
    make_pcoa_data.py tab OUT.txt INDIVIDUALS LOCI
        microsatellite-like loci of 8 alleles, two alleles drawn per cell
"""
import random
import subprocess
import sys

SAMPLE_SIZE, GROUPS = 250, 4
rnd = random.Random(2026)


def clamp(p):
    return min(0.98, max(0.02, p))


def sample_of(k):
    return k // SAMPLE_SIZE


def drifted(base, samples):
    """Per sample: base drifted by its group, then by itself."""
    by_group = [clamp(base + rnd.gauss(0, 0.15)) for _ in range(GROUPS)]
    return [clamp(by_group[s % GROUPS] + rnd.gauss(0, 0.05)) for s in range(samples)]


def write_vcf(out, individuals, records, ploidy):
    samples = (individuals + SAMPLE_SIZE - 1) // SAMPLE_SIZE
    names = [f"i{k + 1}" for k in range(individuals)]
    with open(out + ".map.txt", "w") as f:
        f.write("individual\tsample\tgroup\n")
        for k, name in enumerate(names):
            f.write(f"{name}\tS{sample_of(k) + 1}\tG{sample_of(k) % GROUPS + 1}\n")
    # Genotypes by dosage of ALT, and missing last.
    gts = ["/".join(["0"] * (ploidy - d) + ["1"] * d) for d in range(ploidy + 1)] + ["/".join(["."] * ploidy)]
    binomial = [1]
    for d in range(ploidy):
        binomial.append(binomial[-1] * (ploidy - d) // (d + 1))
    with open(out, "wb") as raw:
        bgzip = subprocess.Popen(["bgzip", "-c"], stdin=subprocess.PIPE, stdout=raw)
        head = ["##fileformat=VCFv4.2", "##contig=<ID=chr1>",
                '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
                "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(names)]
        bgzip.stdin.write(("\n".join(head) + "\n").encode())
        for r in range(records):
            freqs = drifted(rnd.uniform(0.05, 0.95), samples)
            cells = []
            for s in range(samples):
                p = freqs[s]
                weights = [0.99 * binomial[d] * p ** d * (1 - p) ** (ploidy - d) for d in range(ploidy + 1)] + [0.01]
                size = min(SAMPLE_SIZE, individuals - s * SAMPLE_SIZE)
                cells.extend(rnd.choices(gts, weights, k=size))
            bgzip.stdin.write(f"chr1\t{r + 1}\trs{r + 1}\tA\tT\t.\t.\t.\tGT\t{chr(9).join(cells)}\n".encode())
        bgzip.stdin.close()
        bgzip.wait()


def write_tab(out, individuals, loci):
    samples = (individuals + SAMPLE_SIZE - 1) // SAMPLE_SIZE
    alleles = 8
    # Per locus and sample, weights of the alleles.
    weights = []
    for _ in range(loci):
        per_allele = [drifted(rnd.uniform(0.05, 0.6), samples) for _ in range(alleles)]
        weights.append([[per_allele[a][s] for a in range(alleles)] for s in range(samples)])
    with open(out, "w") as f:
        f.write("Group\tSample\tId\t" + "\t".join(f"loc{l + 1}" for l in range(loci)) + "\n")
        for k in range(individuals):
            s = sample_of(k)
            row = []
            for l in range(loci):
                if rnd.random() < 0.01:
                    row.append("")
                    continue
                cell = set(rnd.choices(range(alleles), weights[l][s], k=2))
                row.append(",".join(str(100 + 2 * a) for a in sorted(cell)))
            f.write(f"G{s % GROUPS + 1}\tS{s + 1}\t{k + 1}\t" + "\t".join(row) + "\n")


if __name__ == "__main__":
    kind, out = sys.argv[1], sys.argv[2]
    numbers = [int(a) for a in sys.argv[3:]]
    if kind == "vcf":
        write_vcf(out, *numbers)
    else:
        write_tab(out, *numbers)
