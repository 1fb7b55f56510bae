// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// The error-correction level that `checkCodewords` check codewords imply:
// level L carries 2^(L+1) of them, and a count between two powers of two
// takes the higher level (2 or fewer give 0, more than 256 give 8).
constexpr std::int32_t errorCorrectionLevel(std::int32_t checkCodewords) {
    std::int32_t level = 0;
    for (std::int32_t limit = 2; level < 8 && checkCodewords > limit; limit *= 2) {
        ++level;
    }
    return level;
}

}  // namespace ostrel2::tessoran
