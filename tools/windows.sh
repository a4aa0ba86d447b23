#!/usr/bin/env bash
# Builds the engine, quorlane-cli.exe and their tests for 64-bit Windows with Debian's mingw-w64
# cross compiler, in build-windows/, runs the tests under Wine, makes the zip for Windows users
# and tries it out unpacked on the sample site. Given the path of a Linux quorlane-cli, also
# checks that both write the same bytes (tools/windows-identity.sh). Installs what is missing:
# the compiler, Wine, and the header-only libraries the programs use (GoogleTest is built from
# Debian's sources). Prints the minutes each step took.
#   bash tools/windows.sh [LINUX_QUORLANE_CLI]
set -euo pipefail
cd "$(dirname "$0")/.."

step() {
    printf '== windows: %s (at %d min %02d s)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60))
}

packages=(
    cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest
    libcli11-dev nlohmann-json3-dev unzip
)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian puts wine64 in its library folder, not on the PATH. Wine keeps its prefix in a
# folder of the build's own; one wineserver stays up for all the test processes.
export PATH="/usr/lib/wine:$PATH"
export WINEPREFIX="$PWD/build-windows/wine-prefix"
export WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# A server that runs already for this prefix serves as well.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
# The prefix is made once, before the test programs are first run.
wine64 wineboot --init >/dev/null 2>&1

# As many jobs as the machine has processors, unless QUORLANE_JOBS says otherwise.
jobs="${QUORLANE_JOBS:-$(nproc)}"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

step "build"
cmake -S . -B build-windows -G Ninja --toolchain cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLANE_WERROR=ON -DQUORLANE_BUILD_WIZARD=OFF \
    "${launcher[@]}" >/dev/null
cmake --build build-windows -j"$jobs"

step "tests under Wine"
ctest --test-dir build-windows --output-on-failure -j"$jobs"

step "the zip, unpacked and used on the sample site"
(cd build-windows && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^project(Quorlane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="build-windows/quorlane-cli-$version-win64.zip"
unpacked=$(mktemp -d)
unzip -q "$zip" -d "$unpacked"
for file in quorlane-cli.exe README.txt LICENSES.txt; do
    [ -f "$unpacked/$file" ] || { echo "$zip lacks $file" >&2; exit 1; }
done
cp -r examples/site "$unpacked/site"
(cd "$unpacked" && wine64 quorlane-cli.exe protect --quiet --save copy --target out site &&
    wine64 quorlane-cli.exe --version)
grep -q "This webpage was protected" "$unpacked/out/index.html"
rm -rf "$unpacked"
echo "$zip: unpacked, protected the sample site"

# The browser tests' own checks of encrypted pages, with pages that the .exe made from a
# password outside ASCII, opened in Chromium over HTTP with that password.
if [ -d tests/browser/node_modules ] && command -v chromium >/dev/null; then
    step "pages the .exe encrypted, opened in Chromium"
    wrapper="$PWD/build-windows/quorlane-cli-under-wine"
    printf '#!/bin/sh\nexec wine64 %q "$@"\n' "$PWD/build-windows/cli/quorlane-cli.exe" >"$wrapper"
    chmod +x "$wrapper"
    QUORLANE_CLI="$wrapper" QUORLANE_ENGINES=chromium timeout 20m node --test \
        --test-concurrency=1 --test-name-pattern="password --encrypt|unlock form" \
        tests/browser/browsers.test.mjs
fi

if [ $# -gt 0 ]; then
    step "byte identity with the Linux build"
    bash tools/windows-identity.sh "$1" build-windows/cli/quorlane-cli.exe
fi

step "done"
