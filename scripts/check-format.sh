#!/usr/bin/env bash
# Lists the C++ files under src/, tests/ and bench/ that clang-format (with
# the project's .clang-format) would change, and fails if there are any.
# Run scripts/check-format.sh --fix to rewrite them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-clang-format}"
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = --fix ]; then
    echo "$files" | xargs "$format" -i
    exit 0
fi
unformatted=()
for file in $files; do
    "$format" --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says (scripts/check-format.sh --fix rewrites them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "All files formatted."
