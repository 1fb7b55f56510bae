// SPDX-License-Identifier: Apache-2.0
#include "decoding/DecodeResult.h"

#include <string>

#include "decoding/ErrorCorrectionLevel.h"

namespace ostrel2::tessoran {

std::int32_t DecodeResult::GetColumns() {
    if (rowCount == 0) {
        return 0;
    }
    return codewordCount / rowCount;
}

std::int32_t DecodeResult::GetECLevel() {
    return errorCorrectionLevel(codewordCount - codewords[0]);
}

void DecodeResult::EnumSegments(void* context, SegmentCallback callback) {
    for (const Segment& segment : segments) {
        callback(context, static_cast<unsigned char>(segment.tag), segment.text.c_str(),
                 static_cast<std::int32_t>(segment.text.size()));
    }
}

}  // namespace ostrel2::tessoran
