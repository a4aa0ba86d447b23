#!/usr/bin/env bash
# Compares ICU's converters with the browser's decoders on every one- and two-byte sequence and
# rewrites files/BrowserOverrides.inc with the differences. Needs Debian's chromium and a build
# of Quorlane in BUILD_DIR (default build).
#   bash tools/encodings/regenerate.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

icu_libs=$(pkg-config --libs icu-uc)
g++ -std=c++20 -O1 -I"$top" "$here/icu_dump.cpp" "$build/files/libquorlane_files.a" \
    "$build/core/libquorlane_core.a" $icu_libs -o "$work/icu_dump"

multi="Shift_JIS EUC-KR gb18030 Big5 EUC-JP"
single=$(python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import overrides; print(" ".join(overrides.SINGLE))' "$here")
for encoding in $multi $single; do
    two=""
    case " $multi " in *" $encoding "*) two=two-byte ;; esac
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$work/profile" \
        --dump-dom "file://$here/browser_dump.html#$encoding${two:+&two}" 2>/dev/null |
        sed -n '/<pre id="o">/,/<\/pre>/p' | sed 's/.*<pre id="o">//; s/<\/pre>.*//' |
        grep ':' >"$work/b_$encoding.txt"
    "$work/icu_dump" "$encoding" $two >"$work/i_$encoding.txt"
    echo "$encoding: $(wc -l <"$work/b_$encoding.txt") sequences"
done
python3 "$here/overrides.py" "$work" "$top/files/BrowserOverrides.inc"
