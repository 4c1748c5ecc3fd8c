#!/usr/bin/env python3
"""Writes the same microsatellite data set (INDIVIDUALS diploid individuals in
populations of 250, LOCI loci of 12 alleles of three digits, 2% of genotypes
missing) in each format phenostat reads: our tab format (data.txt), Genepop
(data.gen), FSTAT (data.dat), STRUCTURE one row per allele copy (data.str),
GenAlEx (data.csv) and GenoDive (data.gdv), about 50 MB each by default.
Individuals repeat the genotypes of a pool of 997 drawn ones (a locus's texts
are few either way), each under its own label.

    make_format_data.py OUT_FOLDER [INDIVIDUALS=14000] [LOCI=500]
"""
import random
import sys
from pathlib import Path

out = Path(sys.argv[1])
individuals, loci = (int(a) for a in sys.argv[2:4] + ["14000", "500"][len(sys.argv[2:4]):])
POOL, POPULATION = 997, 250
rnd = random.Random(2026)
names = [f"Loc{l + 1}" for l in range(loci)]
pools = []  # per pooled individual: per locus (a, b), or None for missing
for _ in range(POOL):
    pools.append([None if rnd.random() < 0.02 else tuple(sorted(rnd.choices(range(101, 113), k=2)))
                  for _ in range(loci)])
populations = (individuals + POPULATION - 1) // POPULATION
pop_of = [k // POPULATION for k in range(individuals)]


def rendered(render):
    return [render(row) for row in pools]


def write(name, head, line, render):
    parts = rendered(render)
    with open(out / name, "w") as f:
        f.write(head)
        f.writelines(line(k, parts[k % POOL]) for k in range(individuals))


out.mkdir(parents=True, exist_ok=True)
tab = lambda g: "" if g is None else (str(g[0]) if g[0] == g[1] else f"{g[0]},{g[1]}")
write("data.txt", "group\tsample\tindividual\t" + "\t".join(names) + "\n",
      lambda k, part: f"\tP{pop_of[k] + 1}\ti{k + 1}\t{part}\n", lambda row: "\t".join(tab(g) for g in row))
pair = lambda g: "000000" if g is None else f"{g[0]}{g[1]}"
genepop_head = "Microsatellites\n" + ", ".join(names) + "\n"
with open(out / "data.gen", "w") as f:
    f.write(genepop_head)
    parts = rendered(lambda row: " ".join(pair(g) for g in row))
    for k in range(individuals):
        if k % POPULATION == 0:
            f.write("Pop\n")
        f.write(f"i{k + 1}, {parts[k % POOL]}\n")
write("data.dat", f"{populations} {loci} 112 3\n" + "".join(n + "\n" for n in names),
      lambda k, part: f"{pop_of[k] + 1} {part}\n", lambda row: " ".join("0" if g is None else pair(g) for g in row))
copy = lambda row, c: " ".join("-9" if g is None else str(g[c]) for g in row)
write("data.str", " ".join(names) + "\n",
      lambda k, part: f"i{k + 1} {pop_of[k] + 1} {part[0]}\ni{k + 1} {pop_of[k] + 1} {part[1]}\n",
      lambda row: (copy(row, 0), copy(row, 1)))
sizes = [sum(1 for p in pop_of if p == q) for q in range(populations)]
genalex_head = (f"{loci},{individuals},{populations}," + ",".join(map(str, sizes)) + "\n" +
                "Microsatellites,,," + ",".join(f"P{q + 1}" for q in range(populations)) + "\n" +
                "Ind,Pop," + ",".join(n + "," for n in names) + "\n")
write("data.csv", genalex_head, lambda k, part: f"i{k + 1},P{pop_of[k] + 1},{part}\n",
      lambda row: ",".join("0,0" if g is None else f"{g[0]},{g[1]}" for g in row))
genodive_head = (f"Microsatellites\n{individuals} {populations} {loci} 2 3\n" +
                 "".join(f"P{q + 1}\n" for q in range(populations)) +
                 "Population\tIndividual\t" + "\t".join(names) + "\n")
write("data.gdv", genodive_head, lambda k, part: f"{pop_of[k] + 1}\ti{k + 1}\t{part}\n",
      lambda row: "\t".join("000" if g is None else pair(g) for g in row))
