#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes a V4 bar string of a PDF417 symbol with the zint encoder:
#   tools/zint-to-v4.sh [zint options...] -d DATA > symbol.txt
# zint's --dump prints one line per symbol row, eight modules per hex byte.
# The V4 text has one hex digit per module column and four symbol rows per
# line (bit 8 the top row); the last line is filled with light rows.
set -euo pipefail
zint -b 55 "$@" --dump | awk '
{
    bits = ""
    for (i = 1; i <= NF; i++) {
        for (h = 1; h <= length($i); h++) {
            value = index("0123456789ABCDEF", toupper(substr($i, h, 1))) - 1
            for (b = 3; b >= 0; b--) bits = bits (int(value / 2^b) % 2)
        }
    }
    sub(/0+$/, "", bits)   # the stop pattern ends in a bar: the rest is padding
    rows[NR] = bits
    if (length(bits) > width) width = length(bits)
}
END {
    for (r = 1; r <= NR; r += 4) {
        line = ""
        for (c = 1; c <= width; c++) {
            v = 0
            for (k = 0; k < 4; k++) {
                v = v * 2 + ((r + k <= NR) ? substr(rows[r + k], c, 1) + 0 : 0)
            }
            line = line sprintf("%X", v)
        }
        print line
    }
}'
