#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while:
#   tools/fuzz.sh [seconds per target (default 60)] [target...]
# Corpora grow in build/fuzz/corpus/<target>, seeded from fuzz/seeds/<target>;
# a crash leaves its input in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(bar_string_fuzzer image_fuzzer codeword_fuzzer capture_fuzzer library_fuzzer)
fi

./tools/setup.sh clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSORAN_FUZZ=ON -DBUILD_TESTING=OFF > /dev/null
cmake --build build/fuzz --target "${targets[@]}"

mkdir -p build/fuzz/artifacts
for target in "${targets[@]}"; do
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: ${seconds}s"
    "build/fuzz/fuzz/$target" "$corpus" "fuzz/seeds/$target" \
        -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 \
        -artifact_prefix="build/fuzz/artifacts/$target-" -print_final_stats=1 2>&1 |
        grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY" || true
done
