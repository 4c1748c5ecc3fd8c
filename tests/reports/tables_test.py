#!/usr/bin/env python3
"""The command line's tables against the classic files and independent computations.

    tables_test.py BINARY EXAMPLES_DIR

On the example data set: the classic files of a command-line run equal the
dialogue's (same seed and clock); every output of a run is the same on one
thread and on three, its tables plain or compressed; every tidy table reads in one csv call;
loci.tsv agrees with the stats file to its printed precision; the matrices
are symmetric and agree with pairs.tsv; the isolation-by-distance line and
Mantel P, and the bootstrap percentiles, agree with the direct formulas and an
independent resampling (within Monte Carlo error).
"""
import csv, gzip, math, os, random, subprocess, sys, tempfile
from pathlib import Path

BINARY, EXAMPLES = sys.argv[1], Path(sys.argv[2])
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1796508008", TZ="UTC", LC_ALL="C")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(work, args, stdin=b"", env=None):
    done = subprocess.run([BINARY, *args], cwd=work, input=stdin, capture_output=True, env=env or ENV, timeout=600)
    assert done.returncode == 0, done.stderr.decode()
    return done.stdout


def table(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    check(all(None not in row and None not in row.values() for row in rows), f"{path.name}: ragged rows")
    return rows


def quantile(values, p):  # R's type 7
    values = sorted(values)
    h = (len(values) - 1) * p
    return values[int(h)] + (h - int(h)) * (values[min(int(h) + 1, len(values) - 1)] - values[int(h)])


def bootstrap(loci, field, replicates=4000):
    """Percentile interval of the individuals-weighted average of `field` over resampled loci."""
    rnd, averages = random.Random(5), []
    for _ in range(replicates):
        picked = [rnd.choice(loci) for _ in loci]
        weight = sum(float(r["individuals"]) for r in picked)
        # An undefined value counts as the 0 that the average row gives it.
        averages.append(sum(float(r["individuals"]) * float(r[field].replace("NA", "0")) for r in picked) / weight)
    return quantile(averages, 0.025), quantile(averages, 0.975)


def close_interval(ours, theirs, what):
    width = float(ours[1]) - float(ours[0])
    check(all(abs(float(a) - b) <= 0.06 * width for a, b in zip(ours, theirs)), f"{what}: {ours} vs {theirs}")


def classic_tables(stats_text):
    """(analysis, k-th set of it) -> {locus: [43 printed values]} from the stats file."""
    tables, key, counts = {}, None, {}
    for line in stats_text.split("\r\n"):
        fields = line.split("\t")
        kind = {"Sample": "sample", "Group": "group"}.get(line.split(" ")[0])
        if "across all samples****" in line or kind:
            kind = kind or "all"
            counts[kind] = counts.get(kind, 0) + 1
            key = (kind, counts[kind])
            tables[key] = {}
        elif key and len(fields) == 44 and fields[0] != "Locus":
            tables[key][fields[0]] = fields[1:]
        elif "Pairwise" in line or "Significant" in line:
            key = None
    return tables


with tempfile.TemporaryDirectory() as tmp:
    work = Path(tmp)
    for name in ("eHGDP60.txt", "eHGDP60_coords.txt"):
        (work / name).write_bytes((EXAMPLES / name).read_bytes())
    run(work, [], b"eHGDP60.txt\nd\ny\ny\ny\neHGDP60_coords.txt\ny\n50\n\n\n\n")
    run(work, ["-a", "-e", "-c", "eHGDP60_coords.txt", "-g", "50", "-s", "1796508008", "-o", "c", "eHGDP60.txt"])
    for kind in ("stats", "summary"):
        check((work / f"d_{kind}.txt").read_bytes() == (work / f"c_{kind}.txt").read_bytes(), f"{kind} files differ")

    # The loci copied 18 times (1,080 loci): one thread hands them out in two
    # blocks, three in one. The permutation tests run their best build
    # with one thread, their AVX2 build (where the processor has more) with
    # two, and their portable build, with compressed tables, with three.
    lines = [line.split("\t") for line in (work / "eHGDP60.txt").read_text().splitlines()]
    wide = [f[:3] + [f"{name}_{k}" for k in range(18) for name in f[3:]] for f in lines[:1]]
    wide += [f[:3] + f[3:] * 18 for f in lines[1:]]
    runs = []
    for threads, compress, build in (("1", [], {}), ("2", [], {"PHENOSTAT_BUILD": "vector"}),
                                     ("3", ["--compress-tables"], {"PHENOSTAT_BUILD": "portable"})):
        (work / threads).mkdir()
        (work / threads / "wide.txt").write_text("".join("\t".join(f) + "\n" for f in wide))
        (work / threads / "eHGDP60_coords.txt").write_bytes((work / "eHGDP60_coords.txt").read_bytes())
        out = run(work / threads, [*compress, "--threads", threads, "-a", "-e", "-c", "eHGDP60_coords.txt", "-g", "30",
                                   "--ibd", "--bootstrap", "30", "--amova", "--amova-permutations", "20",
                                   "--pair-test", "10", "-s", "5", "-o", "t", "wide.txt"], env=dict(ENV, **build))
        files = {p.name: p.read_bytes() for p in (work / threads).rglob("*") if p.is_file()}
        for name in [name for name in files if name.endswith(".gz")]:
            files[name[:-3]] = gzip.decompress(files.pop(name)).replace(b"phenostat --compress-tables", b"phenostat")
        runs.append((out, files))
    check(runs[0] == runs[1] == runs[2], "outputs differ between one thread, two and three, plain and compressed "
                                         "tables, or the processor builds")

    tables = {p.name: table(p) for p in (work / "c_tables").glob("*.tsv")}
    classic = classic_tables((work / "c_stats.txt").read_bytes().decode())
    names = list(tables["loci.tsv"][0])[5:]
    for row in tables["loci.tsv"]:
        number = 1 if row["analysis"] == "all" else int(row["set_number"])
        label = "Average across Loci" if row["locus"] == "average" else row["locus"]
        printed = classic[(row["analysis"], number)][label]
        for c, name in enumerate(names):
            if row[name] != "NA":
                check(("%1.3f" if c < 26 else "%1.7f") % float(row[name]) == printed[c],
                      f"loci.tsv {row['set']} {label} {name}: {row[name]} printed {printed[c]}")

    pairs = {(p["number_a"], p["number_b"]): p for p in tables["pairs.tsv"]}
    for matrix, column in (("fst_matrix.tsv", "fst_unshared"), ("km_matrix.tsv", "km")):
        rows = tables[matrix]
        labels = list(rows[0])[1:]
        for i, row in enumerate(rows):
            for j, label in enumerate(labels):
                check(row[label] == rows[j][labels[i]], f"{matrix} not symmetric at {i},{j}")
                if i < j:
                    check(row[label] == pairs[(str(i + 1), str(j + 1))][column], f"{matrix} {i},{j} != pairs.tsv")

    # Isolation by distance on shuffled sites (a weak association), and a two-sample bootstrap.
    sites = (EXAMPLES / "eHGDP60_coords.txt").read_text().split()
    points = [sites[k:k + 2] for k in range(0, len(sites), 2)]
    random.Random(3).shuffle(points)
    (work / "shuffled.txt").write_text("".join(f"{x} {y}\n" for x, y in points))
    run(work, ["-c", "shuffled.txt", "--ibd", "--ibd-permutations", "1999", "-s", "9", "-o", "i", "eHGDP60.txt"])
    used = [r for r in table(work / "i_tables/ibd_pairs.tsv") if r["used"] == "yes"]
    [ibd] = table(work / "i_tables/ibd.tsv")
    x, y = [float(r["geographic"]) for r in used], [float(r["genetic"]) for r in used]
    mx, my = math.fsum(x) / len(x), math.fsum(y) / len(y)
    sxy = math.fsum((a - mx) * (b - my) for a, b in zip(x, y))
    sxx, syy = math.fsum((a - mx) ** 2 for a in x), math.fsum((b - my) ** 2 for b in y)
    for key, value in (("r", sxy / math.sqrt(sxx * syy)), ("slope", sxy / sxx), ("intercept", my - sxy / sxx * mx)):
        check(abs(float(ibd[key]) - value) <= 1e-12 * abs(value), f"ibd {key}: {ibd[key]} vs {value}")
    genetic = {(int(r["number_a"]), int(r["number_b"])): float(r["genetic"]) for r in used}
    samples = sorted({s for pair in genetic for s in pair})
    rnd, hits, permutations = random.Random(7), 0, 999
    for _ in range(permutations):
        place = dict(zip(samples, rnd.sample(samples, len(samples))))
        gx, gy = [], []
        for (a, b), geo in zip(genetic, x):
            key = tuple(sorted((place[a], place[b])))
            if key in genetic:
                gx.append(geo)
                gy.append(genetic[key])
        m1, m2 = sum(gx) / len(gx), sum(gy) / len(gy)
        r = sum((a - m1) * (b - m2) for a, b in zip(gx, gy)) / math.sqrt(
            sum((a - m1) ** 2 for a in gx) * sum((b - m2) ** 2 for b in gy))
        hits += r >= float(ibd["r"])
    theirs, ours = (1 + hits) / (1 + permutations), float(ibd["p_value"])
    check(abs(ours - theirs) <= 4 * math.sqrt(theirs * (1 - theirs) / permutations) + 0.005,
          f"Mantel P {ours} vs independent {theirs}")

    lines = (work / "eHGDP60.txt").read_text().splitlines()
    two = [l for l in lines[1:] if l.split("\t")[1] in ("Orcadian", "Adygei")]
    (work / "two.txt").write_text("\n".join([lines[0]] + two) + "\n")
    run(work, ["-a", "-p", "--bootstrap", "4000", "-s", "4", "-o", "b", "two.txt"])
    loci = [r for r in table(work / "b_tables/loci.tsv") if r["locus"] != "average"]
    ci = {r["statistic"]: (r["low"], r["high"]) for r in table(work / "b_tables/averages_ci.tsv")}
    for field in ("alleles_per_sample", "shannon_within", "pq_across"):
        close_interval(ci[field], bootstrap(loci, field), f"averages_ci {field}")
    pair = table(work / "b_tables/pairs.tsv")[0]
    close_interval((pair["fst_ci_low"], pair["fst_ci_high"]), bootstrap(loci, "fst_unshared"), "pair F'st")

print("\n".join(failures) if failures else "all checks passed")
sys.exit(1 if failures else 0)
