#!/usr/bin/env python3
"""Writes a SNP-like data file: LOCI loci, SAMPLES samples of SIZE individuals
in 4 groups; cells 1, 2, 1,2 or empty (2% missing), with per-sample allele
frequencies drifting around a per-locus mean.

    make_snp_data.py OUT [LOCI=20000] [SAMPLES=40] [SIZE=50]
"""
import random
import sys

out = sys.argv[1]
loci, samples, size = (int(a) for a in sys.argv[2:5] + ["20000", "40", "50"][len(sys.argv[2:5]):])
rnd = random.Random(2026)
base = [rnd.uniform(0.05, 0.95) for _ in range(loci)]
cells = ("1", "2", "1,2")
with open(out, "w") as f:
    f.write("Group\tSample\tId\t" + "\t".join(f"snp{l + 1}" for l in range(loci)) + "\n")
    for s in range(samples):
        p = [min(0.99, max(0.01, b + rnd.gauss(0, 0.1))) for b in base]
        for i in range(size):
            row = []
            for l in range(loci):
                if rnd.random() < 0.02:
                    row.append("")
                    continue
                a, b = rnd.random() < p[l], rnd.random() < p[l]
                row.append(cells[0] if a and b else cells[1] if not (a or b) else cells[2])
            f.write(f"G{s % 4 + 1}\tS{s + 1}\t{s * size + i + 1}\t" + "\t".join(row) + "\n")
