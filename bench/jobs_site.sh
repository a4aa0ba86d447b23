#!/usr/bin/env bash
# quorlane-cli protect of a 10,000-page site (copies of the sample site's front page, each made
# a little different, in 100 folders) with --jobs 1, 2, 4, ... up to the machine's hardware
# threads, beside cp -r of the same site: wall time of each, best of two, and the speed-up over
# one thread.
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
best_wall() { # command...: the faster wall time of two runs, in seconds
    local best=""
    for _ in 1 2; do
        run=$((run + 1))
        /usr/bin/time -f '%e' -o "$work/time" "$@" "$work/out$run" >/dev/null
        local wall
        wall=$(cat "$work/time")
        best=$(awk -v a="$best" -v b="$wall" 'BEGIN { print (a == "" || b < a) ? b : a }')
    done
    echo "$best"
}
copy() { cp -r "$work/site" "$1"; }
protect() { "$cli" protect --quiet --jobs "$jobs" --save copy --pages-only "$work/site" --target "$1"; }

cp_wall=$(best_wall copy)
printf '%-16s wall %6.2f s\n' "cp -r" "$cp_wall"
threads=$(nproc --all)
jobs=1
one=""
while :; do
    wall=$(best_wall protect)
    one=${one:-$wall}
    awk -v j="$jobs" -v w="$wall" -v o="$one" -v c="$cp_wall" 'BEGIN {
        printf "--jobs %-9d wall %6.2f s   speed-up %.2f (%.2f per thread)   %.2f x cp -r\n",
               j, w, o / w, o / w / j, w / c }'
    [ "$jobs" -ge "$threads" ] && break
    jobs=$((jobs * 2 > threads ? threads : jobs * 2))
done
