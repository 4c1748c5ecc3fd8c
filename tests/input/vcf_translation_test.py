#!/usr/bin/env python3
"""A random bgzipped VCF (mixed ploidy, multi-allelic and symbolic alleles,
missing and partly missing GTs, a map that reorders and leaves out
individuals) and its translation into our tab format, written here by the
rules of docs/columns.md, must give the same classic files and tables, with
either treatment of partial GTs and at different thread counts; written to a
full standard output (--write-data -), the translation fails the run.

    vcf_translation_test.py BINARY
"""
import filecmp
import os
import random
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

rng = random.Random(18)
INDIVIDUALS, RECORDS = 40, 60
names = [f"ind{i}" for i in range(INDIVIDUALS)]
ploidy = {name: rng.choice([1, 2, 2, 4, 6]) for name in names}


def genotype(alleles, copies):
    if rng.random() < 0.05:
        return "."
    values = [("." if rng.random() < 0.04 else str(rng.randrange(alleles))) for _ in range(copies)]
    return ("|" if rng.random() < 0.3 else "/").join(values)


def cell(gt, alts, partial_known):
    """Our phenotype text for a GT: distinct known alleles, code = index + 1; a
    symbolic copy is unknown, as a missing one is."""
    copies = ["." if c != "." and int(c) > 0 and (alts[int(c) - 1].startswith("<") or alts[int(c) - 1] == "*")
              else c for c in gt.replace("|", "/").split("/")]
    if "." in copies and not partial_known:
        return ""
    codes = []
    for copy in copies:
        if copy == ".":
            continue
        index = int(copy)
        if index + 1 not in codes:
            codes.append(index + 1)
    return ",".join(map(str, codes))  # in GT order: the loader orders the codes itself


def main():
    binary = os.path.abspath(sys.argv[1])
    work = Path(tempfile.mkdtemp(prefix="vcf_translation_"))
    records = []
    for r in range(RECORDS):
        alts = [rng.choice("ACGT") * (k + 1) for k in range(rng.choice([1, 1, 2, 3, 5, 70]))]
        if rng.random() < 0.2:
            alts.append(rng.choice(["<*>", "<NON_REF>", "*"]))
        ident = "." if rng.random() < 0.5 else f"rs{r}"
        gts = [genotype(len(alts) + 1, ploidy[name]) for name in names]
        records.append(("chr1", 100 * (r + 1), ident, alts, gts))
    with open(work / "data.vcf", "w") as vcf:
        vcf.write('##fileformat=VCFv4.2\n##contig=<ID=chr1>\n'
                  '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n')
        vcf.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(names) + "\n")
        for chrom, pos, ident, alts, gts in records:
            vcf.write(f"{chrom}\t{pos}\t{ident}\tA\t{','.join(alts)}\t.\t.\t.\tGT\t" + "\t".join(gts) + "\n")
    subprocess.run(["bgzip", "-f", str(work / "data.vcf")], check=True)

    # Six samples in three groups (one without), shuffled; five individuals left out.
    mapped = rng.sample(names, INDIVIDUALS - 5)
    sample_of = {name: f"pop{rng.randrange(6)}" for name in mapped}
    group_of = {f"pop{s}": ["north", "south", "", "north", "east", "south"][s] for s in range(6)}
    with open(work / "map.txt", "w") as out:
        out.write("individual\tsample\tgroup\n")
        for name in mapped:
            out.write(f"{name}\t{sample_of[name]}\t{group_of[sample_of[name]]}\n")
    order = sorted(mapped, key=lambda n: ([sample_of[m] for m in mapped].index(sample_of[n]), mapped.index(n)))

    common = ["-a", "-e", "-p", "-g", "50", "--bootstrap", "20", "--seed", "7", "--overwrite"]
    failures = 0
    for partial_known in (False, True):
        column = {name: k for k, name in enumerate(names)}
        with open(work / "data.txt", "w") as tab:
            tab.write("group\tsample\tindividual\t" +
                      "\t".join(i if i != "." else f"{c}:{p}" for c, p, i, _, _ in records) + "\n")
            for name in order:
                cells = [cell(gts[column[name]], alts, partial_known) for _, _, _, alts, gts in records]
                tab.write(f"{group_of[sample_of[name]]}\t{sample_of[name]}\t{name}\t" + "\t".join(cells) + "\n")
        partial = ["--partial-genotypes", "known" if partial_known else "missing"]
        for stem, args in (("v", ["--threads", "1", "--sample-map", "map.txt", *partial, "data.vcf.gz"]),
                           ("t", ["--threads", "2", "data.txt"])):
            subprocess.run([binary, *common, "-o", stem, *args], cwd=work, check=True, capture_output=True)
        for name in ["_stats.txt", "_summary.txt"]:
            strip = lambda p: [l for l in p.read_bytes().split(b"\r\n") if not l.startswith(b"Calculated from")]
            if strip(work / ("v" + name)) != strip(work / ("t" + name)):
                print(f"partial {partial_known}: {name} differs")
                failures += 1
        tables = sorted(p.name for p in (work / "v_tables").iterdir() if p.name != "run.tsv")
        _, mismatch, errors = filecmp.cmpfiles(work / "v_tables", work / "t_tables", tables, shallow=False)
        for name in mismatch + errors:
            print(f"partial {partial_known}: table {name} differs")
            failures += 1
    # Its translation written to a full standard output: the run fails.
    with open("/dev/full", "wb") as full:
        done = subprocess.run([binary, "--sample-map", "map.txt", "--write-data", "-", "data.vcf.gz"], cwd=work,
                              stdout=full, stderr=subprocess.PIPE)
    if done.returncode != 1 or b"Writing standard output failed." not in done.stderr:
        print(f"--write-data - on a full standard output: status {done.returncode}, {done.stderr!r}")
        failures += 1
    if failures:
        print(f"outputs kept in {work}")
        return 1
    shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
