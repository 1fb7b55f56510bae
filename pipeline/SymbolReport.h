// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "decoding/SymbolContent.h"
#include "decoding/TextConversion.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

// What error correction did to a symbol.
struct CorrectionReport {
    std::int32_t errorsCorrected = 0;  // codewords read wrong and put right
    std::int32_t erasuresFilled = 0;   // unreadable codewords filled in
    std::int32_t checkCodewords = 0;
    // Check codewords that correction could still have spent: an error takes
    // two, an erasure one, and two are always kept to verify.
    std::int32_t unusedCheckCodewords = 0;
};

// Everything told of one symbol read: the program's structured output and
// the library's symbols are made of it.
struct SymbolReport {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t ecLevel = 0;
    SymbolPlace place;
    CorrectionReport correction;
    // The bytes exactly as the one-symbol output prints them after the size
    // line, markup included.
    std::string data;
    SymbolContent content;
    // The content's data as UTF-8, or why it is not text.
    TextResult text;
};

// The report of `symbol`, its text taken with `defaultEci` for data before
// any ECI designator.
SymbolReport reportOf(const LocatedSymbol& symbol, std::int32_t defaultEci);

}  // namespace ostrel2::tessoran
