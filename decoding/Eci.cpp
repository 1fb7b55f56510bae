// SPDX-License-Identifier: Apache-2.0
#include "decoding/Eci.h"

#include <cinttypes>
#include <cstdio>

#include "decoding/ModeCodewords.h"
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::int64_t kCodewordBase = 900;
// 925 numbers the ECIs from 810900 up.
constexpr std::int64_t kGeneralPurposeFirst = 810900;

}  // namespace

std::int32_t eciValueCodewordCount(std::int32_t designator) {
    return designator == kEciUserDefined ? 2 : 1;
}

void decodeEci(SegmentList& target, std::int32_t designator, const std::int32_t* values,
               std::int32_t count) {
    const auto value = [&](std::int32_t index) -> std::int64_t {
        return index < count ? values[index] : 0;
    };
    // Computed in 64 bits so that no codeword value can overflow it; from
    // codewords of 0 to 928 every number has at most six digits.
    std::int64_t number = value(0);
    if (designator == kEciUserDefined) {
        number = (value(0) + 1) * kCodewordBase + value(1);
    } else if (designator == kEciGeneralPurpose) {
        number = kGeneralPurposeFirst + value(0);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%06" PRId64, number);
    appendSegment(target, kEciTag, text);
}

}  // namespace ostrel2::tessoran
