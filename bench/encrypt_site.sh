#!/usr/bin/env bash
# quorlane-cli protect over 10,000 pages, in the clear and with the hidden part encrypted
# (password lock on in both, default iteration count), for two kinds of page: copies of the
# sample site's front page (about 1 KB) and generated pages of about 20 KB. Wall time and CPU
# time (user + system) of each run, and the cost of one key derivation alone (transform of a
# one-word page, encrypted minus clear).
#   bash bench/encrypt_site.sh [BUILD_DIR] [WORK_DIR]   (a WORK_DIR in /dev/shm keeps the disk out)
# A run protects into a fresh copy folder (--save copy), so every run writes the same files; the
# work folder needs about 4 GB.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
cli="$build/cli/quorlane-cli"
export QUORLANE_PASSWORD="correct horse battery staple"

timed() { # label, command...: prints wall and CPU seconds, keeps them in $work/last
    local label=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null
    read -r wall user system <"$work/time"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
    printf '%-44s wall %6.2f s   cpu %6.2f s\n' "$label" "$wall" "$cpu"
    echo "$wall $cpu" >"$work/last"
}

mkdir -p "$work/small"
for i in $(seq 0 9999); do
    folder="$work/small/folder$((i % 100))"
    mkdir -p "$folder"
    cp examples/site/index.html "$folder/page$i.html"
done
"$build/bench/quorlane_bench" --write-site="$work/large" 10000 200
sync

echo "one key derivation (600,000 iterations):"
timed "  transform, clear" "$cli" transform --password-env QUORLANE_PASSWORD - <<<"<p>x</p>"
clear_one=$(cat "$work/last")
timed "  transform, encrypted" "$cli" transform --encrypt --password-env QUORLANE_PASSWORD - <<<"<p>x</p>"
sealed_one=$(cat "$work/last")
kdf=$(awk -v c="$clear_one" -v s="$sealed_one" 'BEGIN { split(c, a, " "); split(s, b, " "); printf "%.3f", b[2] - a[2] }')
echo "  derivation: $kdf s of CPU"

# Every run writes into a folder of its own, and nothing is removed while timing: removing a
# large tree slows this disk's file creation for minutes. Each run is made twice and the
# faster kept.
run=0
protect() { # label, options...: the faster of two runs, wall and CPU
    local label=$1
    shift
    local best=""
    for _ in 1 2; do
        run=$((run + 1))
        timed "$label" "$cli" protect --quiet --save copy --target "$work/out$run" \
            --password-env QUORLANE_PASSWORD "$@"
        best=$(awk -v a="$best" -v b="$(cat "$work/last")" 'BEGIN {
            if (a == "") { print b; exit }
            split(a, x, " "); split(b, y, " ")
            print (y[1] < x[1] ? y[1] : x[1]), (y[2] < x[2] ? y[2] : x[2]) }')
    done
    echo "$best" >"$work/best"
    echo "$work/out$run" >"$work/lastout"
}
for kind in small large; do
    for mode in whole links; do
        protect "$kind pages, --mode $mode, clear" --mode "$mode" "$work/$kind"
        clear=$(cat "$work/best")
        clear_out=$(cat "$work/lastout")
        protect "$kind pages, --mode $mode, encrypted" --mode "$mode" --encrypt "$work/$kind"
        sealed=$(cat "$work/best")
        sealed_out=$(cat "$work/lastout")
        awk -v c="$clear" -v s="$sealed" -v k="$kdf" -v cb="$(du -sb "$clear_out" | cut -f1)" \
            -v sb="$(du -sb "$sealed_out" | cut -f1)" 'BEGIN {
            split(c, a, " "); split(s, b, " ")
            printf "  encrypted / clear (best of 2): wall %.2f, cpu %.2f; cpu without the " \
                   "derivation %.2f; written %.1f KB / %.1f KB per page\n",
                   b[1] / a[1], b[2] / a[2], (b[2] - k) / a[2], sb / 10000 / 1024, cb / 10000 / 1024
        }'
    done
done
echo "work folder: $work (remove it when done)"
