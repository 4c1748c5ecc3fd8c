# One individual per allele code at L1: 201 codes, the last one too many.
open("data.txt", "a").write("".join(f"G1\tA\t{i}\t{i}\t1\n" for i in range(1, 202)))
