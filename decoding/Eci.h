// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// The number of value codewords that follow an ECI designator: two for 926,
// one for 925 and 927.
std::int32_t eciValueCodewordCount(std::int32_t designator);

// Appends the ECI number of a designator (925, 926 or 927) and its value
// codewords as one 'e' segment of six or more digits ("000003" for ECI 3).
// A value codeword that `count` does not cover counts as 0; none is read
// beyond `count`.
void decodeEci(SegmentList& target, std::int32_t designator, const std::int32_t* values,
               std::int32_t count);

}  // namespace ostrel2::tessoran
