# Loci past a chunk of the loader's: 300 named in the header, and lines of
# later samples that run on to 700 loci, so that loci appear after samples
# have closed, in chunks those samples never reached. Cells cycle through
# homozygotes, heterozygotes, a triple and missing data.
cells = ["1", "2", "1,2", "", "2,3,4", "3"]
lines = ["G\tS\tI\t" + "\t".join(f"L{l}" for l in range(300))]
for s, (name, loci) in enumerate([("A", 300), ("B", 280), ("C", 520), ("D", 700), ("E", 300)]):
    for i in range(4):
        row = [cells[(l * 7 + s * 3 + i * 5 + l // 11) % len(cells)] for l in range(loci - i)]
        lines.append(f"G{s % 2}\t{name}\t{s}{i}\t" + "\t".join(row))
open("data.txt", "w").write("\n".join(lines) + "\n")
