#!/usr/bin/env python3
"""Writes the VCF equivalent of a data file made by make_snp_data.py (cells
1, 2, 1,2 or empty as 0/0, 1/1, 0/1 or ./.), bgzipped, with its sample map
(OUT.map.txt). Each individual's cells are held as a byte each, so that a
file of a million loci converts in a few hundred megabytes.

    snp_to_vcf.py DATA OUT.vcf.gz
"""
import subprocess
import sys

data, out = sys.argv[1], sys.argv[2]
code = {"1": 0, "2": 1, "1,2": 2, "": 3}
gt = ("0/0", "1/1", "0/1", "./.")
ids, rows = [], []
with open(data) as f:
    loci = f.readline().rstrip("\n").split("\t")[3:]
    for line in f:
        fields = line.rstrip("\n").split("\t")
        ids.append(fields[:3])
        rows.append(bytes(code[c] for c in fields[3:]))
with open(out + ".map.txt", "w") as m:
    m.write("individual\tsample\tgroup\n")
    for group, sample, name in ids:
        m.write(f"i{name}\t{sample}\t{group}\n")
with open(out, "wb") as raw:
    bgzip = subprocess.Popen(["bgzip", "-c"], stdin=subprocess.PIPE, stdout=raw)
    bgzip.stdin.write(('##fileformat=VCFv4.2\n##contig=<ID=chr1>\n'
                       '##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">\n'
                       "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" +
                       "\t".join(f"i{name}" for _, _, name in ids) + "\n").encode())
    for l, name in enumerate(loci):
        bgzip.stdin.write((f"chr1\t{l + 1}\t{name}\tA\tT\t.\t.\t.\tGT\t" +
                           "\t".join(gt[row[l]] for row in rows) + "\n").encode())
    bgzip.stdin.close()
    bgzip.wait()
