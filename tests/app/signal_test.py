#!/usr/bin/env python3
"""A run stopped by a signal while it computes: it dies of that signal, its partial tables folder is gone, and the
tables of an earlier run, which --overwrite would have replaced at the end, are as they were.

    signal_test.py BINARY DATA"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def tables(folder):
    found = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), 'rb') as f:
            found[name] = f.read()
    return found


def stopped_run(binary, folder, stop):
    run = subprocess.Popen([binary, '-q', '-g', '100000000', '-s', '1', '--overwrite', 'd.txt'], cwd=folder,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(600):  # until the run has made its partial folder
        if any('.partial-' in name for name in os.listdir(folder)):
            break
        time.sleep(0.05)
    run.send_signal(stop)
    return run.wait(timeout=60)


def main():
    binary, data = os.path.abspath(sys.argv[1]), sys.argv[2]
    failed = 0
    for stop in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(data, os.path.join(folder, 'd.txt'))
            subprocess.run([binary, '-q', '-a', '-s', '1', 'd.txt'], cwd=folder, check=True, stdout=subprocess.DEVNULL)
            before = tables(os.path.join(folder, 'd_tables'))
            status = stopped_run(binary, folder, stop)
            left = sorted(name for name in os.listdir(folder) if '.partial-' in name)
            if status != -stop or left or tables(os.path.join(folder, 'd_tables')) != before:
                print(f'{stop.name}: status {status}, partial folders {left}, earlier tables kept: '
                      f'{tables(os.path.join(folder, "d_tables")) == before}')
                failed = 1
    return failed


if __name__ == '__main__':
    sys.exit(main())
