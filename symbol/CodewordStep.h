// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "decoding/DecodeFailure.h"
#include "decoding/Segment.h"
#include "symbol/RowIndicators.h"

namespace ostrel2::tessoran {

// The most codewords a symbol holds: 90 rows of 30 data columns fit well
// within it.
inline constexpr std::int32_t kMaxSymbolCodewords = 3060;

// What a reader found of one symbol: its codewords in reading order (rows
// top to bottom, data columns left to right; unreadable ones as 0, their
// indices in `erasures`), its number of rows and the row indicators it read.
struct SymbolCodewords {
    std::vector<std::int32_t> codewords;
    std::vector<std::int32_t> erasures;
    std::int32_t rows = 0;
    std::vector<RowIndicatorReading> indicators;
};

// A symbol's codewords after error correction.
struct CorrectedCodewords {
    std::int32_t rows = 0;
    // All of them, corrected: codewords[0] is the length descriptor, the
    // check codewords come last.
    std::vector<std::int32_t> codewords;
    std::int32_t checkCodewords = 0;
    // Positions error correction located: errors and erasures together (an
    // erased codeword whose value was in fact 0 counts too).
    std::int32_t located = 0;
    // Distinct erased positions handed to error correction.
    std::int32_t erased = 0;

    std::int32_t columns() const;
    std::int32_t ecLevel() const;
};

// A decoded symbol: its corrected codewords and their data.
struct DecodedCodewords {
    CorrectedCodewords corrected;
    SegmentList segments;
};

// From the codewords of one symbol to its data: the step that every reader
// ends with, in two halves.
//
// correctCodewords: the row indicators, where any were read, must agree with
// the rows and data columns read, and the level they state fixes the number
// of check codewords; otherwise that number is chosen from the length
// descriptor. Correction is held to what the check codewords can both correct
// and still verify, and the corrected length descriptor must announce exactly
// the codewords before the check codewords. Fails with NoSymbol (nothing that
// can be a symbol: no codewords, more than a symbol holds, or a shape that
// disagrees with the indicators or fits no check-codeword count) or
// Uncorrectable.
Result<CorrectedCodewords> correctCodewords(const SymbolCodewords& found);

// interpretSymbol: the data codewords of a corrected symbol interpreted into
// segments; fails with a malformed-data failure.
Result<DecodedCodewords> interpretSymbol(CorrectedCodewords corrected);

// Both halves.
Result<DecodedCodewords> decodeCodewords(const SymbolCodewords& found);

}  // namespace ostrel2::tessoran
