# One individual per allele code at L1: 200 codes, as many as a locus may have.
header, rest = open("data.txt").read().split("\n", 1)
open("data.txt", "w").write(header + "\n" + "".join(f"G1\tA\t{i}\t{i}\t1\n" for i in range(1, 201)) + rest)
