#!/usr/bin/env python3
"""The progress line on a terminal: each task's last count drawn once, ended before a warning; nothing with -q.

    progress_test.py BINARY"""
import os
import pty
import subprocess
import sys
import tempfile

DATA = 'G\tS\tI\tL1\tL2\nx\tA\t1\t1,2\t3\nx\tA\t2\t2\t3,4\ny\tB\t3\t1\t4\ny\tB\t5\t2\t4\ny\tC\t4\t5\t3\ny\tC\t6\t1\t3\n'
SHOWN = ('\rall samples: 2 of 2, 0 s left   \n\reach sample: 3 of 3, 0 s left   \n\rpairs: 3 of 3, 0 s left   \n'
         'phenostat: warning: the samples can be assigned to the groups in only 3 distinct ways, fewer than the 5 '
         'permutations asked for; the P-values cannot go below 1/3.\n\rpermutations: 5 of 5, 0 s left   \n')
CASES = [([], SHOWN), (['-q'], SHOWN[SHOWN.index('phenostat'):SHOWN.index('\rperm')])]


def terminal_stderr(binary, extra, folder):
    master, slave = pty.openpty()
    subprocess.run([os.path.abspath(binary), '-a', '-e', '-p', '-g', '5', '-s', '1', '--no-tables', *extra, 'd.txt'], cwd=folder,
                   stdout=subprocess.DEVNULL, stderr=slave, check=True)
    os.close(slave)
    text = b''
    try:
        while chunk := os.read(master, 4096):
            text += chunk
    except OSError:  # the terminal's other end is closed
        pass
    return text.decode().replace('\r\n', '\n')


def main():
    failed = 0
    for extra, expected in CASES:
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, 'd.txt'), 'w') as f:
                f.write(DATA)
            got = terminal_stderr(sys.argv[1], extra, folder)
        if got != expected:
            print(f'{extra}: expected {expected!r}\n got {got!r}')
            failed = 1
    return failed


if __name__ == '__main__':
    sys.exit(main())
