#!/usr/bin/env python3
"""Lines of every function body in src/, longest first: a function starts where a brace opens after a
closing parenthesis (optionally followed by const, override, noexcept, or a constructor's initialisers)
outside any other function, and ends at its matching brace.

    scripts/function_lengths.py [LIMIT] [DIR...]   prints the functions under the folders (default src)
    longer than LIMIT (default 80) and exits 1 when there is one; LIMIT 0 prints the ten longest."""
import re
import sys
from pathlib import Path

SIGNATURE = re.compile(r'\)\s*(const|override|noexcept|final|\s|->\s*[\w:<>&*, ]+)*(:[^;{}]*)?$')
NOT_FUNCTION = re.compile(r'^\s*(if|for|while|switch|catch|else|do|namespace|class|struct|enum|union)\b')


def functions(path):
    text = re.sub(r'//[^\n]*|"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: ' ' * len(m.group(0)),
                  path.read_text())
    depth, inside, start, name, head = 0, None, 0, '', ''
    line = 1
    for i, c in enumerate(text):
        if c == '\n':
            line += 1
        elif c == '{':
            statement = head.strip()
            if inside is None and SIGNATURE.search(statement) and not NOT_FUNCTION.search(statement.splitlines()[-1] if statement else ''):
                inside, start = depth, line
                name = re.sub(r'\s+', ' ', statement)[:90]
            depth += 1
            head = ''
            continue
        elif c == '}':
            depth -= 1
            if inside is not None and depth == inside:
                yield line - start + 1, f'{path}:{start}', name
                inside = None
            head = ''
            continue
        elif c == ';':
            head = ''
            continue
        head += c


def main():
    limit = int(sys.argv[1]) if len(sys.argv) > 1 else 80
    roots = [Path(d) for d in sys.argv[2:]] or [Path('src')]
    found = sorted((f for root in roots for p in sorted(root.rglob('*')) if p.suffix in ('.cpp', '.h')
                    for f in functions(p)), reverse=True)
    shown = found[:10] if limit == 0 else [f for f in found if f[0] > limit]
    for length, where, name in shown:
        print(f'{length:5d}  {where}  {name}')
    return 1 if limit and shown else 0


if __name__ == '__main__':
    sys.exit(main())
