// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "decoding/DecodeFailure.h"
#include "symbol/CodewordStep.h"

namespace ostrel2::tessoran {

// A decoded symbol: its size as the size line states it, and its data, every
// segment's bytes back to back, exactly as they follow that line.
struct DecodedSymbol {
    std::int32_t rows = 0;
    std::int32_t columns = 0;  // data columns
    std::int32_t ecLevel = 0;
    std::string data;
};

// A decoded symbol, or why there is none.
using DecodeOutcome = Result<DecodedSymbol>;

// What the program prints of decoded codewords: the size line's numbers and
// every segment's bytes back to back.
DecodedSymbol decodedSymbolOf(const DecodedCodewords& decoded);

}  // namespace ostrel2::tessoran
