#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Quorlane needs, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev libicu-dev nlohmann-json3-dev
    qt6-base-dev qt6-svg-dev libgl-dev
    clang-format clang libclang-rt-14-dev valgrind
    chromium firefox-esr webkit2gtk-driver xvfb openssl
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
# The browser tests run on Node.js 20 or later, which the machine may bring already.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
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
