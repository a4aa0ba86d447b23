#!/usr/bin/env bash
# quorlane-cli transform of a 10 MB page as a whole process, beside cp of a file of the size of
# its output: wall time and peak resident memory (GNU time, Debian package "time").
#   bash bench/transform_vs_cp.sh [BUILD_DIR]   (a Release build with QUORLANE_BUILD_BENCH=ON)
set -euo pipefail
build=${1:-build-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/quorlane_bench" --write-page="$work/page.html" 10000
page_bytes=$(stat -c %s "$work/page.html")
echo "page: $page_bytes bytes"
# The best wall time of five runs of a command, in seconds.
best_of_five() {
    local best=""
    for _ in 1 2 3 4 5; do
        local start=$EPOCHREALTIME
        "$@"
        local seconds
        seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')
        if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
            best=$seconds
        fi
    done
    echo "$best"
}
transform() { "$build/cli/quorlane-cli" transform --mode "$1" "$work/page.html" >"$work/out.html"; }
copy() { rm -f "$work/copy.html"; cp "$work/out.html" "$work/copy.html"; }

printf '%-8s %10s %10s %10s %10s %10s %10s\n' mode out_MB wall_s cp_wall_s wall/cp peak_MB \
    peak/page
for mode in email links body whole; do
    /usr/bin/time -f '%M' -o "$work/peak" \
        "$build/cli/quorlane-cli" transform --mode "$mode" "$work/page.html" >"$work/out.html"
    wall=$(best_of_five transform "$mode")
    cp_wall=$(best_of_five copy)
    awk -v m="$mode" -v o="$(stat -c %s "$work/out.html")" -v w="$wall" -v c="$cp_wall" \
        -v k="$(cat "$work/peak")" -v b="$page_bytes" 'BEGIN {
        printf "%-8s %10.1f %10.4f %10.4f %10.1f %10.1f %10.2f\n", m, o / 1048576, w, c, w / c,
               k / 1024, k * 1024 / b }'
done
