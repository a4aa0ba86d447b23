#!/usr/bin/env bash
# quorlane-cli protect over 10,000 pages, in the clear and with the hidden part encrypted
# (password lock on in both, default iteration count), for two kinds of page: copies of the
# sample site's front page (about 1 KB) and generated pages of about 20 KB. Wall time and CPU
# time (user + system) of each run, and the cost of one key derivation alone (transform of a
# one-word page, encrypted minus clear).
#   bash bench/encrypt_site.sh [BUILD_DIR] [WORK_DIR]
# A run protects into a fresh copy folder (--save copy), so every run writes the same files.
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

for kind in small large; do
    for mode in whole links; do
        rm -rf "$work/out-clear" "$work/out-sealed"
        timed "$kind pages, --mode $mode, clear" "$cli" protect --quiet --save copy \
            --target "$work/out-clear" --mode "$mode" --password-env QUORLANE_PASSWORD "$work/$kind"
        clear=$(cat "$work/last")
        timed "$kind pages, --mode $mode, encrypted" "$cli" protect --quiet --save copy \
            --target "$work/out-sealed" --mode "$mode" --encrypt --password-env QUORLANE_PASSWORD \
            "$work/$kind"
        sealed=$(cat "$work/last")
        awk -v c="$clear" -v s="$sealed" -v k="$kdf" -v cb="$(du -sb "$work/out-clear" | cut -f1)" \
            -v sb="$(du -sb "$work/out-sealed" | cut -f1)" 'BEGIN {
            split(c, a, " "); split(s, b, " ")
            printf "  encrypted / clear: wall %.2f, cpu %.2f; cpu without the derivation %.2f; " \
                   "written %.1f KB / %.1f KB per page\n",
                   b[1] / a[1], b[2] / a[2], (b[2] - k) / a[2], sb / 10000 / 1024, cb / 10000 / 1024
        }'
    done
done
echo "work folder: $work (remove it when done)"
