#!/usr/bin/env bash
# quorlane-cli protect over a generated site of 10,000 pages of about 20 KB in 200 folders, in
# each save mode, beside cp -r of the same tree; the folder scan beside find; and the cost per
# page at 1,000 pages. Wall time and peak resident memory (GNU time).
#   bash bench/protect_site.sh [BUILD_DIR] [WORK_DIR]
# The work folder is kept (removing a large tree slows this disk's file creation for minutes,
# so a run is never timed right after one); remove it yourself when done.
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
cli="$build/cli/quorlane-cli"

timed() { # label, command...: prints wall seconds and peak MB
    local label=$1
    shift
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
    read -r wall peak_kb <"$work/time"
    printf '%-34s %8.2f s %8.1f MB\n' "$label" "$wall" "$(awk -v k="$peak_kb" 'BEGIN { print k / 1024 }')"
    echo "$wall" >"$work/last"
}

"$build/bench/quorlane_bench" --write-site="$work/site" 10000 200
"$build/bench/quorlane_bench" --write-site="$work/small" 1000 200
echo "site: $(find "$work/site" -type f | wc -l) pages, $(du -sm "$work/site" | cut -f1) MB"
sync

timed "cp -r" cp -r "$work/site" "$work/site-copy"
cp_wall=$(cat "$work/last")
timed "find" find "$work/site" -name '*.htm*'
"$build/bench/quorlane_site_bench" --benchmark_min_time=1 "$work/site" 2>/dev/null | grep BM_
timed "protect --save copy" "$cli" protect --quiet --save copy --target "$work/out" "$work/site"
copy_wall=$(cat "$work/last")
timed "protect --save new" "$cli" protect --quiet "$work/site"
new_wall=$(cat "$work/last")
timed "protect --save overwrite" "$cli" protect --quiet --save overwrite "$work/site-copy"
overwrite_wall=$(cat "$work/last")
timed "protect --save new (1,000 pages)" "$cli" protect --quiet "$work/small"
small_wall=$(cat "$work/last")

awk -v cp="$cp_wall" -v c="$copy_wall" -v n="$new_wall" -v o="$overwrite_wall" -v s="$small_wall" 'BEGIN {
    printf "run / cp -r: copy %.1f, new %.1f, overwrite %.1f\n", c / cp, n / cp, o / cp
    printf "ms per page: 1,000 pages %.3f, 10,000 pages %.3f\n", s, n / 10
}'
echo "work folder: $work"
