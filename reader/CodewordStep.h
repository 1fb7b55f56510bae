// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <span>

#include "decoding/DecodeResult.h"
#include "reader/DecodeStatus.h"
#include "reader/RowIndicators.h"

namespace ostrel2::tessoran {

// From the codewords of one symbol to its data: the step that every reader
// ends with. `result` holds what the reader found: the codewords in reading
// order (unreadable ones as 0, their indices in `erasures`), the counts and
// the number of rows; `indicators` the row indicators it read.
//
// The row indicators, where any were read, must agree with the rows and data
// columns read, and the level they state fixes the number of check codewords;
// otherwise that number is chosen from the length descriptor. Correction is
// held to what the check codewords can both correct and still verify; the
// corrected length descriptor must announce exactly the codewords before the
// check codewords; then the data codewords are interpreted into `result`'s
// segments and `correctedCount` is set.
//
// Returns 0, or kNoSymbol (nothing that can be a symbol: no codewords, or a
// shape that disagrees with the indicators or fits no check-codeword count),
// kUncorrectable, or kMalformedDataBase with the interpreter's code.
Status decodeCodewords(DecodeResult& result, std::span<const RowIndicatorReading> indicators);

}  // namespace ostrel2::tessoran
