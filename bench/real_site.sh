#!/usr/bin/env bash
# quorlane-cli protect of a real documentation site, the HTML documentation of Python from
# Debian's python3-doc package (about 530 pages and 1,060 files; bash tools/deps.sh test
# installs it), beside cp -r of the same tree:
#   - protect --save copy in whole mode against cp -r, taken in turn (A B A B ...), so that a
#     machine whose speed drifts moves both alike;
#   - protect with --jobs 1 against --jobs 2, in turn as well.
# Prints the median wall time and the median CPU time (user + system) of RUNS runs of each, and
# the ratios of the medians.
#   bash bench/real_site.sh [BUILD_DIR] [WORK_DIR] [RUNS]
# BUILD_DIR: a build with the CLI (default build); WORK_DIR: where the site and the outputs go
# (default a new temporary folder, removed at the end; /dev/shm keeps the disk out of the figures);
# RUNS: runs of each command (default 5). QUORLANE_REAL_SITE names another site to take.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-}
runs=${3:-5}
source_site=${QUORLANE_REAL_SITE:-/usr/share/doc/python3/html}
cli="$build/cli/quorlane-cli"

if [ ! -d "$source_site" ]; then
    echo "no site at $source_site: install python3-doc (bash tools/deps.sh test)" >&2
    exit 1
fi
if [ -z "$work" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

# The package links a few scripts to other packages: -L copies what they point to, so that the
# site is a plain tree, the same one for every command.
rm -rf "$work/site"
cp -rL "$source_site" "$work/site"
pages=$(find "$work/site" -type f -name '*.htm*' | wc -l)
files=$(find "$work/site" -type f | wc -l)
page_mb=$(find "$work/site" -type f -name '*.htm*' -print0 | du -cm --files0-from=- | tail -1 | cut -f1)
echo "site: $pages pages ($page_mb MB) among $files files, from $source_site"
echo "load: $(uptime | sed 's/.*load average/load average/')"

copy() { cp -r "$work/site" "$1"; }
protect() {
    "$cli" protect --quiet --mode whole --save copy --jobs "$jobs" --target "$1" "$work/site"
}

# Runs a command into a fresh output folder and appends "wall cpu" seconds to the file named.
run=0
timed_into() { # file, command...
    local file=$1 out TIMEFORMAT='%R %U %S'
    shift
    run=$((run + 1))
    out="$work/out$run"
    sync
    { time "$@" "$out" >/dev/null 2>"$work/err"; } 2>"$work/time" || {
        cat "$work/err" >&2
        exit 1
    }
    # A run that wrote less than the whole site timed something else.
    if [ "$(find "$out" -type f | wc -l)" -ne "$files" ]; then
        echo "$* wrote $(find "$out" -type f | wc -l) of the site's $files files:" >&2
        cat "$work/err" >&2
        exit 1
    fi
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time" >>"$file"
    # The output and the record a run leaves beside its target.
    rm -rf "$out" "$work"/.quorlane-run-*
}
median() { # file, column: the median of that column
    cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 }
        END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# Runs two commands in turn, RUNS times each after one run of each that is not counted.
in_turn() { # name_a, name_b: the functions a and b set up by the caller
    a
    b
    : >"$work/$1.times"
    : >"$work/$2.times"
    for _ in $(seq "$runs"); do
        a
        b
    done
}
row() { # label, name
    printf '%-44s %9.3f %9.3f\n' "$1" "$(median "$work/$2.times" 1)" "$(median "$work/$2.times" 2)"
}

printf '%-44s %9s %9s\n' "median of $runs runs" "wall s" "cpu s"
jobs=$(nproc)
a() { timed_into "$work/protect.times" protect; }
b() { timed_into "$work/cp.times" copy; }
in_turn protect cp
row "cp -r" cp
row "protect --mode whole --save copy --jobs $jobs" protect
protect_jobs=$jobs

a() { jobs=1 timed_into "$work/jobs1.times" protect; }
b() { jobs=2 timed_into "$work/jobs2.times" protect; }
in_turn jobs1 jobs2
row "protect --mode whole --save copy --jobs 1" jobs1
row "protect --mode whole --save copy --jobs 2" jobs2

awk -v p="$(median "$work/protect.times" 1)" -v c="$(median "$work/cp.times" 1)" \
    -v one="$(median "$work/jobs1.times" 1)" -v two="$(median "$work/jobs2.times" 1)" \
    -v j="$protect_jobs" 'BEGIN {
    printf "protect --jobs %d / cp -r: %.2f x; --jobs 1 / --jobs 2: %.2f x\n", j, p / c, one / two
}'
