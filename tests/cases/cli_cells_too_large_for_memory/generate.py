# 2,000 loci over 1,000 individuals in two samples: their summaries take about 2 MB, and the phenotype ids that
# the ordination keeps per individual another 2 MB, over the 3 MB given.
import random
rng = random.Random(7)
with open("data.txt", "w") as f:
    f.write("group\tsample\tindividual\t" + "\t".join(f"L{k}" for k in range(2000)) + "\n")
    for i in range(1000):
        cells = "\t".join(rng.choice("12") for _ in range(2000))
        f.write(f"g\ts{i // 500}\ti{i}\t{cells}\n")
