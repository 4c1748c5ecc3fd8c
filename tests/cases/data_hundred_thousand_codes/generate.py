# 100,000 codes in one cell, all the same allele: one code, no limit on the field.
header, rest = open("data.txt").read().split("\n", 1)
open("data.txt", "w").write(header + "\n" + "G1\tA\t1\t" + ",".join(["5"] * 100000) + "\t3\n" + rest)
