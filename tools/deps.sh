#!/usr/bin/env bash
# Installs the Debian 12 packages that Quorlane needs, when missing:
#   bash tools/deps.sh run    what building and running the programs need (tools/run.sh)
#   bash tools/deps.sh test   that, and what the tests, the fuzz targets and the Debian package
#                             need (tools/test.sh, tools/fuzz.sh); also without an argument
set -euo pipefail

# Compiler, build tools and the libraries the programs link.
run_packages=(
    cmake ninja-build g++ pkg-config
    libcli11-dev libicu-dev libssl-dev nlohmann-json3-dev
    qt6-base-dev qt6-svg-dev qt6-l10n-tools libgl-dev
)
# Test frameworks, checkers, the browser of the browser tests, the package's tools (manual
# pages from the help texts, icons from the drawing, dependencies from the binaries, the check
# of the AppStream metainfo), the site generators whose recipes in docs/pipelines.md the
# browser tests run (Sphinx's output also shows what a run must not publish beside the pages),
# the validator of the JSON documents against docs/schemas, and the real documentation site
# that bench/real_site.sh times (Python's HTML documentation).
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-format clang libclang-rt-14-dev valgrind
    chromium firefox-esr webkit2gtk-driver xvfb openssl
    dpkg-dev file help2man librsvg2-bin lintian appstream
    hugo jekyll mkdocs python3-sphinx python3-jsonschema
    python3-doc
)

set_name=${1:-test}
case $set_name in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*)
    echo "usage: bash tools/deps.sh [run|test]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
# The browser tests run on Node.js 20 or later, which the machine may bring already.
if [ "$set_name" = test ] && { ! command -v node >/dev/null || ! command -v npm >/dev/null; }; then
    missing+=(nodejs npm)
fi
if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
