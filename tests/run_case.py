#!/usr/bin/env python3
"""Runs end-to-end case folders (tests/cases/<name>/) against the built program.

    run_case.py BINARY CASE_DIR... [--update]

Every entry of a case folder except stdin.txt, args, env, generate.py and expected/
is an input, copied into a fresh working directory; generate.py, when present,
runs there next (for inputs too large or too odd to keep). The program then
runs there with stdin.txt (if any) as its standard input, the lines of `args` as its
arguments, a fixed clock (SOURCE_DATE_EPOCH, TZ=UTC) and a fixed amount of
memory (PHENOSTAT_MEMORY_GB), and the NAME=VALUE lines of `env` (if any) in its environment.

expected/ holds `stdout`, `status`, optionally `stderr` (empty when absent), and
every file the run must leave in the working directory, byte for byte. A file
the run creates or changes that expected/ does not list fails the case.
On a failure the run's outputs are kept in a temporary folder (printed).
--update writes the run's outputs over expected/ and prints what changed.
"""
import difflib
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

CLOCK = "1796508008"  # Sat Dec 05 22:00:08 2026 UTC
TIMEOUT_SECONDS = 120
NOT_INPUTS = {"stdin.txt", "args", "env", "generate.py", "expected"}


def files_under(root):
    return {p.relative_to(root).as_posix(): p.read_bytes() for p in sorted(root.rglob("*")) if p.is_file()}


def run(binary, case, work):
    for item in case.iterdir():
        if item.name not in NOT_INPUTS:
            (shutil.copytree if item.is_dir() else shutil.copyfile)(item, work / item.name)
    if (case / "generate.py").is_file():
        subprocess.run([sys.executable, str(case / "generate.py")], cwd=work, check=True)
    before = files_under(work)
    args = (case / "args").read_text().splitlines() if (case / "args").is_file() else []
    env = dict(os.environ, SOURCE_DATE_EPOCH=CLOCK, TZ="UTC", LC_ALL="C", PHENOSTAT_MEMORY_GB="8")
    if (case / "env").is_file():
        env.update(line.split("=", 1) for line in (case / "env").read_text().splitlines() if "=" in line)
    stdin = (case / "stdin.txt").read_bytes() if (case / "stdin.txt").is_file() else b""
    done = subprocess.run([binary, *args], cwd=work, input=stdin, capture_output=True, env=env,
                          timeout=TIMEOUT_SECONDS)
    actual = {"stdout": done.stdout, "stderr": done.stderr, "status": b"%d\n" % done.returncode}
    for name, data in files_under(work).items():
        if before.get(name) != data or (case / "expected" / name).is_file():
            actual[name] = data
    return actual


def difference(name, want, got):
    if want is None:
        return f"{name}: given by the run, not in expected/"
    if got is None:
        return f"{name}: in expected/, not given by the run"
    try:
        lines = difflib.unified_diff(want.decode().splitlines(True), got.decode().splitlines(True),
                                     f"expected/{name}", f"actual/{name}")
        return "".join(line if line.endswith("\n") else line + "\n" for line in lines).rstrip("\n")
    except UnicodeDecodeError:
        at = next((i for i, (a, b) in enumerate(zip(want, got)) if a != b), min(len(want), len(got)))
        return (f"{name}: first difference at byte {at} ({len(want)} bytes expected, {len(got)} given)\n"
                f"  expected {want[at:at + 60]!r}\n  actual   {got[at:at + 60]!r}")


def check(binary, case, update):
    temp = Path(tempfile.mkdtemp(prefix=f"phenostat-{case.name}-"))
    (temp / "work").mkdir()
    try:
        actual = run(binary, case, temp / "work")
    except (OSError, subprocess.SubprocessError) as error:  # no program, a failing generate.py, a timeout
        print(f"FAIL {case.name}: {error} (working directory {temp / 'work'})")
        return False
    expected = files_under(case / "expected") if (case / "expected").is_dir() else {}
    expected.setdefault("stderr", b"")
    changed = [name for name in sorted(set(expected) | set(actual)) if expected.get(name) != actual.get(name)]
    for name in changed:
        print(difference(name, expected.get(name), actual.get(name)))
    if update:
        for name in changed:
            target = case / "expected" / name
            if actual.get(name):
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(actual[name])
            elif name == "stderr" or name not in actual:
                target.unlink(missing_ok=True)
            else:
                target.write_bytes(b"")
    elif changed:
        for name, data in actual.items():
            (temp / "actual" / name).parent.mkdir(parents=True, exist_ok=True)
            (temp / "actual" / name).write_bytes(data)
        print(f"FAIL {case.name}: the run's outputs are in {temp / 'actual'}")
        return False
    shutil.rmtree(temp)
    print(f"{'updated' if update and changed else 'ok'} {case.name}")
    return True


if __name__ == "__main__":
    update = "--update" in sys.argv
    arguments = [a for a in sys.argv[1:] if a != "--update"]
    if len(arguments) < 2:
        sys.exit(__doc__)
    binary = os.path.abspath(arguments[0])
    results = [check(binary, Path(case).resolve(), update) for case in arguments[1:]]
    sys.exit(0 if all(results) else 1)
