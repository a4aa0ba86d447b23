#!/usr/bin/env bash
# quorlane-cli protect of a 10,000-page site (copies of the sample site's front page, each made
# a little different, in 100 folders) with --jobs 1, 2, 4, ... up to the machine's hardware
# threads, beside cp -r of the same site: wall time of each, best and median of three, and the
# speed-up of the best over the best of one thread.
#   bash bench/jobs_site.sh [BUILD_DIR] [WORK_DIR]   (a WORK_DIR in /dev/shm keeps the disk out)
# Every run protects into a fresh copy folder (--save copy --pages-only), so every run writes
# the same files.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
cli="$build/cli/quorlane-cli"

rm -rf "$work/site"
for i in $(seq 0 9999); do
    folder="$work/site/folder$((i % 100))"
    mkdir -p "$folder"
    sed "s|</body>|<p>page $i</p></body>|" examples/site/index.html >"$folder/page$i.html"
done
sync

run=0
timed() { # command...: best and median wall time of three runs, in seconds
    local walls=() TIMEFORMAT=%R
    for _ in 1 2 3; do
        run=$((run + 1))
        { time "$@" "$work/out$run" >/dev/null 2>"$work/err"; } 2>"$work/time"
        walls+=("$(cat "$work/time")")
        rm -rf "$work/out$run"
    done
    printf '%s\n' "${walls[@]}" | sort -g | awk 'NR == 1 { best = $1 } NR == 2 { median = $1 }
        END { print best, median }'
}
copy() { cp -r "$work/site" "$1"; }
protect() { "$cli" protect --quiet --jobs "$jobs" --save copy --pages-only "$work/site" --target "$1"; }

read -r cp_best cp_median < <(timed copy)
printf '%-14s best %6.2f s  median %6.2f s\n' "cp -r" "$cp_best" "$cp_median"
threads=$(nproc --all)
jobs=1
one=""
while :; do
    read -r best median < <(timed protect)
    one=${one:-$best}
    awk -v j="$jobs" -v b="$best" -v m="$median" -v o="$one" -v c="$cp_best" 'BEGIN {
        printf "--jobs %-7d best %6.2f s  median %6.2f s  speed-up %.2f (%.2f per thread)  %.2f x cp -r\n",
               j, b, m, o / b, o / b / j, b / c }'
    [ "$jobs" -ge "$threads" ] && break
    jobs=$((jobs * 2 > threads ? threads : jobs * 2))
done
