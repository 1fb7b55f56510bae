// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/DecodeResult.h"

namespace ostrel2::tessoran {

// Status codes of the interpreter.
inline constexpr std::int32_t kInterpretOk = 0;
inline constexpr std::int32_t kEciPastEnd = 3;
inline constexpr std::int32_t kZeroLengthDescriptor = 4;
inline constexpr std::int32_t kTerminatorNotLast = 5;

// Walks the data codewords codewords[1 .. codewords[0]-1] of `result`, cuts
// them into runs at the mode codewords and appends the decoded segments.
std::int32_t interpretCodewords(DecodeResult& result);

}  // namespace ostrel2::tessoran
