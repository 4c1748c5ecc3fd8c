#!/usr/bin/env python3
"""Writes data for the report page benchmark: INDIVIDUALS individuals in
SAMPLES equal samples (8 groups), LOCI microsatellite-like loci of 10 alleles
whose frequencies drift by group and by sample, 1% of cells missing, and a
coordinates file (name, longitude, latitude) for every sample.

    make_report_data.py OUT.txt OUT_coords.txt INDIVIDUALS SAMPLES LOCI
"""
import random
import sys

rnd = random.Random(2026)
GROUPS, ALLELES = 8, 10


def weights(base, spread):
    return [max(0.01, w + rnd.gauss(0, spread)) for w in base]


def main(out, coords, individuals, samples, loci):
    individuals, samples, loci = int(individuals), int(samples), int(loci)
    bases = [[rnd.random() for _ in range(ALLELES)] for _ in range(loci)]
    by_group = [[weights(base, 0.2) for base in bases] for _ in range(GROUPS)]
    with open(out, "w") as data, open(coords, "w") as sites:
        data.write("Group\tSample\tIndividual\t" + "\t".join(f"loc{i + 1}" for i in range(loci)) + "\n")
        for s in range(samples):
            group = s * GROUPS // samples
            own = [weights(w, 0.1) for w in by_group[group]]
            sites.write(f"S{s + 1}\t{group * 40 - 160 + rnd.uniform(-15, 15):.3f}\t{rnd.uniform(-50, 60):.3f}\n")
            for k in range(individuals * s // samples, individuals * (s + 1) // samples):
                cells = []
                for w in own:
                    if rnd.random() < 0.01:
                        cells.append("")
                        continue
                    pair = sorted({100 + 2 * a for a in rnd.choices(range(ALLELES), w, k=2)})
                    cells.append(",".join(map(str, pair)))
                data.write(f"G{group + 1}\tS{s + 1}\t{k + 1}\t" + "\t".join(cells) + "\n")


if __name__ == "__main__":
    main(*sys.argv[1:])
