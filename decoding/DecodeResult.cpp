// SPDX-License-Identifier: Apache-2.0
#include "decoding/DecodeResult.h"

#include <string>

namespace ostrel2::tessoran {

std::int32_t DecodeResult::GetColumns() {
    if (rowCount == 0) {
        return 0;
    }
    return codewordCount / rowCount;
}

std::int32_t DecodeResult::GetECLevel() {
    const std::int32_t checkCodewords = codewordCount - codewords[0];
    // Level L carries 2^(L+1) check codewords; a count between two powers of
    // two takes the higher level.
    std::int32_t level = 0;
    for (std::int32_t limit = 2; level < 8 && checkCodewords > limit; limit *= 2) {
        ++level;
    }
    return level;
}

void DecodeResult::EnumSegments(void* context, SegmentCallback callback) {
    for (const Segment& segment : segments) {
        callback(context, static_cast<unsigned char>(segment.tag), segment.text.c_str(),
                 static_cast<std::int32_t>(segment.text.size()));
    }
}

void appendSegment(DecodeResult& target, char tag, std::string_view text) {
    target.segments.push_back(Segment{tag, std::string(text)});
}

}  // namespace ostrel2::tessoran
