// SPDX-License-Identifier: Apache-2.0
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

void appendSegment(SegmentList& target, char tag, std::string_view text) {
    target.push_back(Segment{tag, std::string(text)});
}

}  // namespace ostrel2::tessoran
