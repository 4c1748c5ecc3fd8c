#!/usr/bin/env python3
"""Writes a bgzipped VCF of RECORDS biallelic and triallelic records and
INDIVIDUALS individuals of mixed ploidy (2, 4 and 6 in turn), 1% of GTs
missing, with its sample map (OUT.map.txt: samples of 20 in 3 groups).

    make_vcf_data.py OUT.vcf.gz [RECORDS=100000] [INDIVIDUALS=240]
"""
import random
import subprocess
import sys

out = sys.argv[1]
records, individuals = (int(a) for a in sys.argv[2:4] + ["100000", "240"][len(sys.argv[2:4]):])
rnd = random.Random(2026)
names = [f"i{k + 1}" for k in range(individuals)]
ploidy = [(2, 4, 6)[k % 3] for k in range(individuals)]
with open(out + ".map.txt", "w") as f:
    f.write("individual\tsample\tgroup\n")
    for k, name in enumerate(names):
        f.write(f"{name}\tS{k // 20 + 1}\tG{k // 20 % 3 + 1}\n")
with open(out, "wb") as raw:
    bgzip = subprocess.Popen(["bgzip", "-c"], stdin=subprocess.PIPE, stdout=raw)
    head = ['##fileformat=VCFv4.2', '##contig=<ID=chr1>',
            '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">',
            "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(names)]
    bgzip.stdin.write(("\n".join(head) + "\n").encode())
    lines = []
    for r in range(records):
        alts = "T" if r % 5 else "T,G"
        weights = [rnd.random() for _ in range(alts.count(",") + 2)]
        alleles = rnd.choices(("0", "1", "2"), weights + [0] * (3 - len(weights)), k=6 * individuals)
        gts = ["/".join(alleles[6 * k:6 * k + ploidy[k]]) if rnd.random() >= 0.01 else "." for k in range(individuals)]
        lines.append(f"chr1\t{r + 1}\t{'rs%d' % r if r % 2 else '.'}\tA\t{alts}\t.\t.\t.\tGT\t" + "\t".join(gts))
        if len(lines) == 1000:
            bgzip.stdin.write(("\n".join(lines) + "\n").encode())
            lines = []
    bgzip.stdin.write(("\n".join(lines) + "\n").encode() if lines else b"")
    bgzip.stdin.close()
    bgzip.wait()
