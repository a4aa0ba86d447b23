#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each from its seed corpus for a bounded time; any finding fails the run.
#   bash tools/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

bash tools/deps.sh test
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORLANE_FUZZ=ON -DQUORLANE_SANITIZE=ON -DQUORLANE_BUILD_TESTS=OFF -DQUORLANE_WERROR=ON \
    -DQUORLANE_BUILD_WIZARD=OFF \
    >/dev/null
targets=(ProtectPage EncodeMarkup ReadAttribute PageCodec)
cmake --build build-fuzz --target "${targets[@]/%/Fuzzer}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for pair in ProtectPage:protect_page EncodeMarkup:encode_markup ReadAttribute:read_attribute \
            PageCodec:page_codec; do
    target=${pair%%:*}
    corpus=${pair##*:}
    echo "== ${target}Fuzzer for ${seconds} s"
    mkdir -p "$work/$corpus"
    cp fuzz/corpus/"$corpus"/* "$work/$corpus/"
    (cd "$work" && "$OLDPWD/build-fuzz/fuzz/${target}Fuzzer" -max_total_time="$seconds" \
        -max_len=8192 -print_final_stats=0 "$work/$corpus" 2>&1 | tail -n 3)
done
echo "fuzz: 4 passed, 0 failed"
