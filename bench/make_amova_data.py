#!/usr/bin/env python3
"""Writes a data file for the AMOVA benchmark: INDIVIDUALS individuals in 10
samples in 2 groups, 50 loci of 6 alleles; each cell one or two alleles drawn
from per-sample frequencies, 2% missing.

    make_amova_data.py OUT [INDIVIDUALS=1000]
"""
import random
import sys

out = sys.argv[1]
individuals = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
samples, loci, alleles = 10, 50, 6
rnd = random.Random(19)
with open(out, "w") as f:
    f.write("Group\tSample\tId\t" + "\t".join(f"loc{l + 1}" for l in range(loci)) + "\n")
    for i in range(individuals):
        s = i * samples // individuals
        weights = [[1 + ((s + a * l) % alleles) for a in range(alleles)] for l in range(loci)]
        row = []
        for l in range(loci):
            if rnd.random() < 0.02:
                row.append("")
                continue
            cell = {rnd.choices(range(alleles), weights[l])[0] for _ in range(2)}
            row.append(",".join(str(100 + a) for a in sorted(cell)))
        f.write(f"G{s % 2 + 1}\tS{s + 1}\t{i + 1}\t" + "\t".join(row) + "\n")
