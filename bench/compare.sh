#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Compares whole runs of tessoran with the ZXingReader decoder on a fixed set
# of PNG symbols made by zint (small, medium and largest; 1, 2 and 4 pixels
# per module), after checking that both decode each file to the same bytes.
#   bench/compare.sh [runs per command (default 20)]
# Prints one table row per file: median times, the ratio ours / peer, and the
# ratio of our time to the time of only loading the image.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-20}"

./tools/setup.sh zxing-cpp-tools hyperfine python3
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/release --target tessoran load_image_only > /dev/null

work="build/compare"
rm -rf "$work"
mkdir -p "$work"

# Fixed inputs: the same files on every run.
printf 'Hello, Tessoran!' > "$work/small.dat"
awk 'BEGIN { for (i = 0; i < 12; i++) printf "PDF417 comparison line %02d, medium symbol. ", i }' > "$work/medium.dat"
awk 'BEGIN { x = 12345; for (i = 0; i < 2400; i++) { x = (x * 1103515245 + 12345) % 2147483648; printf "%d", int(x / 65536) % 10 } }' > "$work/largest.dat"

declare -A columns=([small]=3 [medium]=10 [largest]=30)
declare -A levels=([small]=2 [medium]=4 [largest]=5)
files=()
for name in small medium largest; do
    for pixels in 1 2 4; do
        scale=$(awk -v p="$pixels" 'BEGIN { print p / 2 }')
        file="$work/${name}-${pixels}px.png"
        zint -b 55 --cols="${columns[$name]}" --secure="${levels[$name]}" --scale="$scale" \
            --whitesp=2 --vwhitesp=2 --input="$work/$name.dat" -o "$file"
        files+=("$file")
    done
done

ours=build/release/tessoran
for file in "${files[@]}"; do
    "$ours" "$file" 2>/dev/null | tail -n +2 > "$work/ours.out"
    ZXingReader -format PDF417 -bytes "$file" > "$work/peer.out"
    if ! cmp -s "$work/ours.out" "$work/peer.out"; then
        echo "different data from $file" >&2
        exit 1
    fi
done

printf '%-22s %10s %11s %11s %11s %10s %12s\n' file pixels "ours ms" "peer ms" "load ms" ours/peer ours/load
for file in "${files[@]}"; do
    json="$work/$(basename "$file" .png).json"
    hyperfine -N --warmup 3 --runs "$runs" --export-json "$json" \
        "$ours $file" "ZXingReader -format PDF417 $file" "build/release/bench/load_image_only $file" > /dev/null 2>&1
    size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); w,h=struct.unpack(">II",d[16:24]); print(f"{w}x{h}")' "$file")
    python3 - "$json" "$(basename "$file")" "$size" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
ours, peer, load = (r["median"] * 1000 for r in results)
print(f"{sys.argv[2]:<22} {sys.argv[3]:>10} {ours:11.2f} {peer:11.2f} {load:11.2f} {ours / peer:10.2f} {ours / load:12.2f}")
PY
done
