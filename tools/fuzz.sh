#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets with clang and runs each for a while:
#   tools/fuzz.sh [seconds per target (default 60)] [target...]
# Without targets, every fuzz/*_fuzzer.cpp is run. Corpora grow in
# build/fuzz/corpus/<target>, seeded from fuzz/seeds/<target>; a crash leaves
# its input in build/fuzz/artifacts/ and makes the script fail, with the
# fuzzer's report, once every target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*_fuzzer.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

./tools/setup.sh clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSORAN_FUZZ=ON -DBUILD_TESTING=OFF > /dev/null
cmake --build build/fuzz --target "${targets[@]}"

mkdir -p build/fuzz/artifacts
# A run that takes longer than this counts as a hang. The slowest seeds take
# about 0.1 s in this instrumented build; the timer counts wall-clock time,
# which a busy machine stretches several times.
timeout=30
failed=()
for target in "${targets[@]}"; do
    corpus="build/fuzz/corpus/$target"
    log="build/fuzz/$target.log"
    mkdir -p "$corpus"
    echo "== $target: ${seconds}s"
    if ! "build/fuzz/fuzz/$target" "$corpus" "fuzz/seeds/$target" \
        -max_total_time="$seconds" -rss_limit_mb=4096 -timeout="$timeout" \
        -artifact_prefix="build/fuzz/artifacts/$target-" -print_final_stats=1 >"$log" 2>&1; then
        failed+=("$target")
        tail -n 60 "$log"
    fi
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" "$log" || true
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzz targets that failed: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
    exit 1
fi
