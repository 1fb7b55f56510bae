// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace ostrel2::tessoran {

// A decoded symbol: its size as the size line states it, and its data, every
// segment's bytes back to back, exactly as they follow that line.
struct DecodedSymbol {
    std::int32_t rows = 0;
    std::int32_t columns = 0;  // data columns
    std::int32_t ecLevel = 0;
    std::string data;
};

// Why nothing was decoded.
enum class DecodeFailure {
    NoSymbol,       // nothing read as a symbol
    Uncorrectable,  // a symbol with more damage than its check codewords restore
    MalformedData,  // a symbol whose data codewords break the encoding's rules
};

using DecodeOutcome = std::variant<DecodedSymbol, DecodeFailure>;

}  // namespace ostrel2::tessoran
