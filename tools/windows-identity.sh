#!/usr/bin/env bash
# Checks that quorlane-cli.exe under Wine writes the very bytes that quorlane-cli on Linux
# writes: the golden pages through transform, with the arguments each one names, and the sample
# site through protect in every mode and every save mode. The run records (which hold times and
# paths) are left out of the comparison.
#   bash tools/windows-identity.sh LINUX_CLI WINDOWS_EXE
set -euo pipefail
cd "$(dirname "$0")/.."

linux=$(realpath "$1")
windows=$(realpath "$2")
export PATH="/usr/lib/wine:$PATH"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
checked=0
failed=0

same() {
    local what=$1
    shift
    if diff -r -x '.quorlane-run-*' "$@" >"$scratch/diff" 2>&1; then
        checked=$((checked + 1))
    else
        echo "DIFFERENT: $what"
        head -20 "$scratch/diff"
        failed=$((failed + 1))
    fi
}

# Golden pages: the page in, the protected page out, on both systems.
for args in tests/data/pages/*.args; do
    page=${args%.args}.html
    mapfile -t options <"$args"
    cp "$page" "$scratch/page.html"
    (cd "$scratch" && "$linux" transform "${options[@]}" page.html >linux.html 2>/dev/null)
    (cd "$scratch" && "$wine" "$windows" transform "${options[@]}" page.html >windows.html \
        2>/dev/null) || true
    same "transform $(basename "$page")" "$scratch/linux.html" "$scratch/windows.html"
done

# The sample site in every mode and save mode, each system on a copy of its own; the exit
# statuses must agree as well.
for mode in email links body whole; do
    for save in new overwrite copy; do
        for system in linux windows; do
            rm -rf "$scratch/$system"
            mkdir -p "$scratch/$system"
            cp -r examples/site "$scratch/$system/site"
            target=()
            if [ "$save" = copy ]; then
                target=(--target out)
            fi
            command=("$linux")
            if [ "$system" = windows ]; then
                command=("$wine" "$windows")
            fi
            status=0
            (cd "$scratch/$system" && "${command[@]}" protect --quiet --mode "$mode" \
                --save "$save" "${target[@]}" --notice "(c) Ünïcode" site \
                >stdout 2>stderr) || status=$?
            echo "$status" >"$scratch/$system/status"
            rm "$scratch/$system/stdout" "$scratch/$system/stderr"
        done
        # A run that protected nothing would compare equal too.
        if ! grep -rq "This webpage was protected" "$scratch/linux"; then
            echo "the Linux run protected nothing: protect --mode $mode --save $save" >&2
            exit 1
        fi
        same "protect --mode $mode --save $save" "$scratch/linux" "$scratch/windows"
    done
done

echo "byte identity: $checked same, $failed different"
[ "$failed" -eq 0 ]
