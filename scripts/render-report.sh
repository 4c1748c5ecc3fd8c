#!/usr/bin/env bash
# Renders a report page with headless Chromium into a PNG, the network
# blocked (every host unresolvable, every request sent to a closed port); fails
# when the page logs anything on the console (a script error, a failed load) or
# names a web address beyond the SVG namespace. Not part of the tests, nor of
# CI (Chromium is large): for the screenshot in docs/ and for checking a page
# by eye. The PNG shows the page's top WIDTH x HEIGHT pixels.
#   scripts/render-report.sh PAGE.html OUT.png [WIDTH [HEIGHT]]
set -euo pipefail
page="$(realpath "$1")"
out="$(realpath -m "$2")"
width="${3:-1000}"
height="${4:-2400}"
"$(dirname "$0")"/install-packages.sh chromium
if grep -oE 'https?://[^"'"'"' <>]*' "$page" | grep -vx 'http://www.w3.org/2000/svg'; then
    echo "render-report: the page names web addresses (above)" >&2
    exit 1
fi
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
flags=(--headless --no-sandbox --disable-gpu --user-data-dir="$profile" --hide-scrollbars
       --proxy-server=127.0.0.1:9 --host-resolver-rules="MAP * ~NOTFOUND" --enable-logging=stderr --v=0
       --window-size="$width,$height")
log="$(chromium "${flags[@]}" --virtual-time-budget=5000 --dump-dom "file://$page" 2>&1 >/dev/null || true)"
if grep ':CONSOLE' <<<"$log"; then
    echo "render-report: the page logged on the console (above)" >&2
    exit 1
fi
chromium "${flags[@]}" --screenshot="$out" "file://$page" 2>/dev/null
echo "render-report: $out (${width}x$height)"
