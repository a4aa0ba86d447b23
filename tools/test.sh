#!/usr/bin/env bash
# Installs what is missing (the test tools too), then builds Quorlane twice (warnings as errors;
# AddressSanitizer with UndefinedBehaviorSanitizer) and runs every test in both builds. The first
# build also makes the Debian package, which is tried out installed, and runs the browser tests
# (protected pages, encrypted ones too, served over HTTP to Chromium, Firefox ESR and WebKitGTK,
# and the recipes of docs/pipelines.md run with Hugo, Jekyll, MkDocs and Sphinx).
# Last, quorlane-cli.exe for Windows: cross-built, tested under Wine, compared with the first build.
# Each step's heading tells the minutes since the start.
set -euo pipefail
cd "$(dirname "$0")/.."

step() {
    printf '== %s (at %d min %02d s)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60))
}

bash tools/deps.sh test

step "format"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "the unlock script of encrypted pages rebuilds from its pinned packages"
bash unlock/build.sh --check

step "build and test"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLANE_WERROR=ON \
    -DQUORLANE_BUILD_BENCH=ON -DQUORLANE_PACKAGE=ON >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j"$(nproc)"

step "the Debian package of that build: install, use, lintian, remove"
bash tools/package-test.sh build-test

step "quorlane-cli on the sample site under valgrind's memcheck"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
memcheck=(valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite)
"${memcheck[@]}" build-test/cli/quorlane-cli protect --quiet --save copy --target "$scratch/out" \
    --mode email --enable no-right-click,no-image-toolbar,expire-page examples/site
"${memcheck[@]}" build-test/cli/quorlane-cli transform --mode body examples/site/pages/korean.html \
    >"$scratch/korean.html"
QUORLANE_PASSWORD="memcheck 1" "${memcheck[@]}" build-test/cli/quorlane-cli transform --mode links \
    --encrypt --password-env QUORLANE_PASSWORD --kdf-iterations 100000 examples/site/index.html \
    >"$scratch/encrypted.html"
echo "memcheck: 3 passed, 0 failed"

step "browser tests (Chromium, Firefox ESR, WebKitGTK; each headful in an Xvfb of its own)"
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error)
# A browser that hangs ends the tests after half an hour, not at the end of the machine's time.
QUORLANE_CLI="$PWD/build-test/cli/quorlane-cli" timeout 30m node --test --test-concurrency=1 tests/browser/

step "build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORLANE_WERROR=ON \
    -DQUORLANE_SANITIZE=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
step "Windows: cross build, tests under Wine, the zip, byte identity with the Linux build"
bash tools/windows.sh build-test/cli/quorlane-cli

step "done"
