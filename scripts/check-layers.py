#!/usr/bin/env python3
"""Fails, naming each offender, when a file under src/ includes a header of a
higher layer, or when the numeric core, the analyses or the reports include
one of input's readers. The layers, lowest first: base, input, stats,
analyses, reports, load, app; a file may include headers of its own layer and
of the layers below.

usage: check-layers.py [SRC_DIR]  (default: the src/ beside this script)"""
import pathlib
import re
import sys

LAYERS = ['base', 'input', 'stats', 'analyses', 'reports', 'load', 'app']
# input's readers, for the loading layer and the app alone: the numeric core,
# the analyses and the reports see the data model (coding, catalogue) only.
READERS = {'data_file', 'vcf_reader', 'mapped_rows', 'row_writer', 'line_check', 'sample_map', 'converted_rows',
           'format_detection', 'genepop_reader', 'fstat_reader', 'structure_reader', 'genalex_reader',
           'genodive_reader', 'genotype_text'}
READER_FREE = {'stats', 'analyses', 'reports'}
HEADER = re.compile(r'^\s*#\s*include\s*"input/([^"/.]+)\.h"')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / 'src')
    problems = []
    for path in sorted(src.rglob('*')):
        if path.suffix not in ('.h', '.cpp'):
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in LAYERS:
            problems.append(f'{path.relative_to(src.parent)}: folder "{folder}" is not a known layer')
            continue
        for number, line in enumerate(path.read_text(encoding='utf-8', errors='replace').splitlines(), 1):
            reader = HEADER.match(line)
            if reader and folder in READER_FREE and reader.group(1) in READERS:
                problems.append(f'{path.relative_to(src.parent)}:{number}: {folder} includes the reader '
                                f'input/{reader.group(1)}.h, which only loading may use')
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if target not in LAYERS:
                problems.append(f'{path.relative_to(src.parent)}:{number}: includes "{target}/...", not a layer')
            elif LAYERS.index(target) > LAYERS.index(folder):
                problems.append(f'{path.relative_to(src.parent)}:{number}: {folder} includes a header of the higher '
                                f'layer {target}: {line.strip()}')
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f'{len(problems)} include(s) against the layer order {" <- ".join(LAYERS)}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
