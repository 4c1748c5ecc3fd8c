# A few hundred kilobytes that would make 9e10 locus-sample cells: 300,000 tabs on the header line over
# 300,000 lines alternating between two sample names, so that every line is a sample of its own.
open("data.txt", "w").write("\t" * 300000 + "\n" + "\ta\n\tb\n" * 150000)
