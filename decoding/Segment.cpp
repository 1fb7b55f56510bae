// SPDX-License-Identifier: Apache-2.0
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

void appendSegment(SegmentList& target, char tag, std::string_view text) {
    target.push_back(Segment{tag, std::string(text)});
}

void appendSegment(SegmentList& target, char tag, std::string_view text,
                   std::span<const std::int32_t> codewords) {
    target.push_back(Segment{tag, std::string(text), {codewords.begin(), codewords.end()}});
}

}  // namespace ostrel2::tessoran
