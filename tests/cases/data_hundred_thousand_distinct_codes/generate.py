# An individual with 100,000 distinct codes.
open("data.txt", "a").write("G2\tD\t7\t" + ",".join(map(str, range(1, 100001))) + "\t3\n")
