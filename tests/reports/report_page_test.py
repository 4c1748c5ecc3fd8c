#!/usr/bin/env python3
"""The report page as a browser and an XML parser read it.

    report_page_test.py BINARY EXAMPLES_DIR

On the example data: the page parses as HTML with every element closed, each
inline figure (and each SVG of the tables folder) as XML; it names nothing on
the network and links only to its own anchors and to tables that exist. A
second run with --overwrite replaces it whole. On the example VCF without a tables folder it links to no table,
and gives the missing cells, the ploidy range, the bootstrap's error bars and the pair test's marks.
"""
import html.parser
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

VOID = {"meta", "link", "br", "img", "hr", "input"}


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.open, self.links, self.ids = [], [], set()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.ids.add(attrs.get("id"))
        self.links += [attrs[name] for name in ("href", "src") if name in attrs]
        if tag not in VOID:
            self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.ids.add(dict(attrs).get("id"))

    def handle_endtag(self, tag):
        assert self.open and self.open[-1] == tag, f"</{tag}> closes <{self.open[-1:]}>"
        self.open.pop()


def check_page(path, tables):
    text = path.read_text(encoding="utf-8")
    page = Page()
    page.feed(text)
    page.close()
    assert not page.open, f"unclosed: {page.open}"
    figures = re.findall(r"<svg.*?</svg>", text, re.S)
    for svg in figures + [p.read_text() for p in sorted(tables.glob("*.svg"))]:
        ElementTree.fromstring(svg)
    outside = set(re.findall(r"https?://[^\s\"'<>]*", text)) - {"http://www.w3.org/2000/svg"}
    assert not outside, f"network references: {outside}"
    for link in page.links:
        if link.startswith("#"):
            assert link[1:] in page.ids, f"no anchor {link}"
        else:
            assert not re.match(r"[a-z]+:|/", link), f"not a relative path: {link}"
            assert (path.parent / link).is_file(), f"links to a missing file: {link}"
    return figures, page.links


def run(binary, work, *args):
    return subprocess.run([binary, *args], cwd=work, capture_output=True, text=True,
                          env={"SOURCE_DATE_EPOCH": "1796508008", "PATH": "/usr/bin:/bin"})


def main(binary, examples):
    binary = str(Path(binary).resolve())
    work = Path(tempfile.mkdtemp(prefix="phenostat-report-"))
    for name in ("eHGDP60.txt", "eHGDP60_coords.txt", "example.vcf", "example_map.txt"):
        shutil.copy(Path(examples) / name, work)
    every = ["--report", "-a", "-e", "-c", "eHGDP60_coords.txt", "-g", "9", "--ibd", "--ibd-permutations", "9",
             "--amova", "--amova-permutations", "9", "--pcoa", "--out", "one", "eHGDP60.txt"]
    done = run(binary, work, "-s", "1", *every)
    assert done.returncode == 0, done.stderr
    page = work / "one_report.html"
    figures, links = check_page(page, work / "one_tables")
    assert len(figures) == 5 and "one_tables/fst_order.tsv" in links, (len(figures), links)

    before = page.read_bytes()
    replaced = run(binary, work, "--overwrite", "--seed", "2", *every)
    assert replaced.returncode == 0, replaced.stderr
    assert page.read_bytes() != before and "seed</th><td><code>2<" in page.read_text()
    assert not [p for p in work.iterdir() if ".partial-" in p.name]

    # Without a tables folder the figures still have their intervals and marks.
    bare = run(binary, work, "--report", "--no-tables", "-e", "--pair-test", "9", "--bootstrap", "20", "--out", "bare",
               "--sample-map", "example_map.txt", "example.vcf")
    assert bare.returncode == 0, bare.stderr
    figures, links = check_page(work / "bare_report.html", work / "none")
    assert all(link.startswith("#") for link in links), links
    text = (work / "bare_report.html").read_text()
    assert "43.3% of the cells (individuals by loci) are missing. Ploidy: 1 to 4." in text
    bars = figures[0].count('stroke="dimgray" stroke-width="1" clip-path')
    assert bars == 4 and "BH P \u2265 0.05" in figures[1], bars
    shutil.rmtree(work)
    print("report page: 1 passed, 0 failed")


if __name__ == "__main__":
    main(*sys.argv[1:])
