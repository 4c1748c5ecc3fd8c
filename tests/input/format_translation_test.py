#!/usr/bin/env python3
"""Each case folder tests/cases/format_* reads a file of another program's
format and writes its translation into our tab format (--write-data). The
translation, read as our own file with the same analyses (and without the
options that only the other format takes), must give the same tables.

    format_translation_test.py BINARY CASES_DIR
"""
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

# Options of the other formats, with their values: the translation carries their effect.
FORMAT_OPTIONS = {"--write-data", "--sample-map", "--partial-genotypes", "--ploidy", "--structure-columns", "--format"}


def main():
    binary, cases = os.path.abspath(sys.argv[1]), Path(sys.argv[2])
    failures = 0
    for case in sorted(cases.glob("format_*")):
        args = (case / "args").read_text().splitlines()
        translation = case / "expected" / args[args.index("--write-data") + 1]
        kept = []
        words = iter(args[:-1])
        for word in words:
            if word in FORMAT_OPTIONS:
                next(words)
            else:
                kept.append(word)
        work = Path(tempfile.mkdtemp(prefix=f"{case.name}_"))
        shutil.copyfile(translation, work / "data.txt")
        done = subprocess.run([binary, *kept, "data.txt"], cwd=work, capture_output=True, text=True,
                              env=dict(os.environ, SOURCE_DATE_EPOCH="1796508008", TZ="UTC"))
        expected = case / "expected" / "data_tables"
        tables = sorted(p.name for p in expected.iterdir() if p.name != "run.tsv")
        _, differ, missing = filecmp.cmpfiles(expected, work / "data_tables", tables, shallow=False)
        if done.returncode != 0 or differ or missing:
            print(f"FAIL {case.name}: status {done.returncode} {done.stderr.strip()}; differing {differ + missing}"
                  f" (in {work})")
            failures += 1
        else:
            shutil.rmtree(work)
            print(f"ok {case.name}: {len(tables)} tables")
    if not list(cases.glob("format_*")):
        print("no case folder format_*")
        failures += 1
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
