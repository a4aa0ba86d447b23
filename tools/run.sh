#!/usr/bin/env bash
# Installs what building and running need (nothing of the tests), when missing, builds
# Quorlane, and starts the wizard where a display exists; without one, protects a page of the
# bundled sample site with the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLANE_BUILD_TESTS=OFF >/dev/null
cmake --build build

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/wizard/quorlane
fi

sample=examples/site/index.html
output=build/sample/index.html
mkdir -p "$(dirname "$output")"
echo
echo "\$ quorlane-cli transform --mode body --enable no-right-click,no-text-select $sample > $output"
build/cli/quorlane-cli transform --mode body --enable no-right-click,no-text-select \
    "$sample" >"$output"
echo
echo "The first lines of $output:"
head -n 12 "$output" | cut -c1-160
echo "..."
echo
echo "Open $output in a browser: it looks like $sample, but its source shows only scripts."
