#!/usr/bin/env bash
# Rebuilds quorlane-unlock.js from unlock.mjs and the pinned packages of package-lock.json, byte
# for byte the file that the repository holds:
#   bash unlock/build.sh           install the pinned packages (npm ci) and write the bundle
#   bash unlock/build.sh --check   the same into a scratch file; fails when it differs from the
#                                  one in the repository
# The C++ build embeds the checked-in bundle and never runs this.
set -euo pipefail
cd "$(dirname "$0")"

npm ci --no-audit --no-fund --loglevel=error
versions=$(node -e '
    const lock = require("./package-lock.json").packages;
    const v = (name) => lock["node_modules/" + name].version;
    process.stdout.write(`@noble/ciphers ${v("@noble/ciphers")} and @noble/hashes ${v("@noble/hashes")}`);')
banner="/*! Quorlane unlock script. Holds ${versions}: MIT License, (c) 2022 Paul Miller (paulmillr.com), (c) 2016 Thomas Pornin. */"

output=quorlane-unlock.js
if [ "${1:-}" = --check ]; then
    output=$(mktemp)
    trap 'rm -f "$output"' EXIT
fi
npx --no-install esbuild unlock.mjs --bundle --minify --format=iife --target=es2020 \
    --charset=ascii --legal-comments=none "--banner:js=$banner" --log-level=warning \
    --outfile="$output"

# The bundle stands inside a script element of every page and in a C++ raw string literal.
if grep -q -i -e '</script' -e '<!--' -e '-->' -e ')qv"' "$output"; then
    echo "unlock/build.sh: the bundle holds text that would end its script element" >&2
    exit 1
fi
size=$(wc -c <"$output")
if [ "$size" -ge 25600 ]; then
    echo "unlock/build.sh: the bundle has grown to $size bytes (at most 25 KB)" >&2
    exit 1
fi
if [ "${1:-}" = --check ]; then
    if ! cmp -s "$output" quorlane-unlock.js; then
        echo "unlock/build.sh: quorlane-unlock.js is not what unlock.mjs and the lock file make" >&2
        exit 1
    fi
    echo "unlock/quorlane-unlock.js rebuilds byte for byte ($size bytes)"
fi
