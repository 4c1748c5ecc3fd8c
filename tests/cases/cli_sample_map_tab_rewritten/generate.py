# The mapped case's data rewritten in the map's order, with its samples and
# groups: the same analyses of it must give the mapped case's files, and it is
# the file that case writes with --write-data.
from pathlib import Path

case = Path(__file__).resolve().parent.parent / "cli_sample_map_tab"
lines = (case / "data.txt").read_text().split("\n")
rows = {line.split("\t")[2]: line.split("\t")[3:] for line in lines[1:] if line}
entries = [line.split("\t") for line in (case / "map.txt").read_text().splitlines()[1:]]
order = list(dict.fromkeys(entry[1] for entry in entries))
out = [lines[0]]
for sample in order:
    for entry in entries:
        if entry[1] == sample:
            group = entry[2] if len(entry) > 2 else ""
            out.append("\t".join([group, sample, entry[0]] + rows[entry[0]]))
Path("data.txt").write_text("\n".join(out) + "\n")
