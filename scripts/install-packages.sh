#!/usr/bin/env bash
# Installs the named Debian packages that are missing (as root with apt-get;
# otherwise names them and fails). "python3" counts as present when a python3
# is on the PATH.
set -euo pipefail
missing=()
for pkg in "$@"; do
    if [ "$pkg" = python3 ]; then command -v python3 >/dev/null 2>&1 && continue; fi
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
else
    echo "Please install: ${missing[*]} (e.g. sudo apt-get install ${missing[*]})" >&2
    exit 1
fi
