#!/usr/bin/env python3
"""Bad files of the other programs' formats: each stops the run with status 1
and one message naming the file, the line and what was expected, and leaves
nothing written (neither the --write-data file nor tables).

    format_errors_test.py BINARY
"""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

GENEPOP = "Title\nL1, L2\nPop\na, 0101 0102\n"
FSTAT = "2 2 99 2\nL1\nL2\n"
GENALEX = "2,3,2,2,1\nTitle,,,P,Q\nInd,Pop,L1,,L2,\n"
GENODIVE = "comment\n2 1 2 4 3\nP\nPopulation\tIndividual\tL1\tL2\n"

# file name, its text, options, the message after "phenostat: "
CASES = [
    ("d.gen", GENEPOP + "b, 0101 010\n", [],
     "d.gen, line 5: genotype 010 of locus L2: 3 digits, where the genotypes before it have 4."),
    ("d.gen", GENEPOP + "Pop\nc, 0101\n", [], "d.gen, line 6: 1 genotype, where the file names 2 loci."),
    ("d.gen", GENEPOP.replace("0102", "01x2"), [], "d.gen, line 4: genotype 01x2 of locus L2: not digits alone."),
    ("d.dat", FSTAT + "1 0101 0102\n3 0101 0102\n", [],
     "d.dat, line 5: population 3: expected a number from 1 to 2, the populations of line 1."),
    ("d.dat", FSTAT + "1 0101 0102 0103\n", [], "d.dat, line 4: 3 genotypes after the population, where line 1 "
     "gives 2 loci."),
    ("d.str", "L1 L2\na 1 101 98\na 1 0 98\n", [],
     "d.str, line 3: allele 0 of locus L1: expected a whole number from 1 to 999999999, or -9 for a missing allele."),
    ("d.str", "a 1 101 98\na 1 103 98\nb 1 103 98 100\n", ["--format", "structure"],
     "d.str, line 3: 5 fields, where the data rows before have 4."),
    ("d.csv", GENALEX + "a,P,101,103,98,98\nb,Q,101,101,98,98\nc,Q,101,101,98,98\n", [],
     "d.csv: line 1 gives population P 2 individuals, and its rows hold 1."),
    ("d.csv", GENALEX + "a,P,101,103,98,98,7\n", [], "d.csv, line 4: cell 7 holds 7, past the 6 cells of line 3."),
    ("d.gdv", GENODIVE + "1\ta\t101102103104105\t098\n", [],
     "d.gdv, line 5: genotype 101102103104105 of locus L1: 5 alleles, more than the ploidy, 4."),
    ("d.gdv", GENODIVE + "1\ta\t101\t098\n", [], "d.gdv: line 2 gives 2 individuals, and the rows hold 1."),
    ("d.gen", GENEPOP, ["--format", "fstat"], "d.gen, line 1: expected four whole numbers: the populations, the "
     "loci, the highest allele and the digits per allele."),
    ("d.txt", "Some words\nand more words\n", [],
     "The format of d.txt is none that phenostat reads (--format NAME reads it as one of them); a file of each "
     "begins with:\n"
     "  tab        a header line of tab-separated fields, the loci from the fourth on\n"
     "  vcf        VCF or BCF: a line ##fileformat=VCF..., or BCF's binary header\n"
     "  genepop    a title line, the locus names, then a line Pop\n"
     "  fstat      a line of four whole numbers: populations, loci, highest allele, digits per allele\n"
     "  structure  rows of a label, a population number and the alleles (-9 missing), after an optional line of "
     "marker names\n"
     "  genalex    a row of the numbers of loci, individuals and populations and each population's size, comma- or "
     "tab-separated\n"
     "  genodive   a comment line, then a line of five whole numbers: individuals, populations, loci, ploidy, "
     "digits"),
]


def main():
    binary = os.path.abspath(sys.argv[1])
    failures = 0
    for name, text, options, message in CASES:
        work = Path(tempfile.mkdtemp(prefix="format_errors_"))
        (work / name).write_text(text)
        done = subprocess.run([binary, "-a", "--write-data", "out.txt", *options, name], cwd=work,
                              capture_output=True, text=True)
        left = sorted(p.name for p in work.iterdir() if p.name != name)
        if done.returncode != 1 or done.stderr != f"phenostat: {message}\n" or done.stdout or left:
            print(f"FAIL {name} {options}: status {done.returncode}, files left {left}\n"
                  f"  expected: {message}\n  got:      {done.stderr}{done.stdout}")
            failures += 1
        for path in work.iterdir():
            path.unlink()
        work.rmdir()
    print(f"{len(CASES) - failures} of {len(CASES)} bad files stopped as expected")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
