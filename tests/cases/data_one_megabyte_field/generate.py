# A 1 MB field on the first data line: its letters throw the digits away; the 7 after the comma counts.
header, rest = open("data.txt").read().split("\n", 1)
open("data.txt", "w").write(header + "\n" + "G1\tA\t1\t12" + "x" * 2**20 + ",7\t3\n" + rest)
