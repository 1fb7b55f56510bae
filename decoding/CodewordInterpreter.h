// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>

#include "decoding/DecodeFailure.h"
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// Walks the data codewords codewords[1 .. codewords[0]-1] of a symbol (never
// past the span's end), cuts them into runs at the mode codewords and gives
// the decoded segments; or a malformed-data failure: EciPastEnd,
// ZeroLengthDescriptor (an empty span too) or TerminatorNotLast.
Result<SegmentList> interpretCodewords(std::span<const std::int32_t> codewords);

}  // namespace ostrel2::tessoran
