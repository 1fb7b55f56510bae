// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// Stands in the decoded text for a numeric group whose value does not begin
// with 1, where its digits would be.
inline constexpr std::string_view kInvalidNumericGroup = "<invalid>";

// Decodes one run of numeric-compaction codewords (0 to 899) and appends its
// decimal digits as one 'n' segment, also when the run is empty (count 0 or
// less). Every 15 codewords (the last group fewer) form one base-900 number
// whose decimal form begins with a 1 that is not part of the data. A group
// that does not begin with 1 has no digits: the marker kInvalidNumericGroup
// stands in its place in the text, and the groups after it are decoded as
// usual.
void decodeNumericCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count);

}  // namespace ostrel2::tessoran
