// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/ITessoranResult.h"
#include "objects/Status.h"
#include "pattern/I2DBitPattern.h"
#include "reader/DecodeStatus.h"
#include "symbol/CodewordStep.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

// Reads the symbol in `pattern`: its pixel rows grouped into symbol rows,
// each read by the scan-line reader, and the codewords through the codeword
// step, with where its rows were read. No reference to `pattern` is kept.
Result<LocatedSymbol> readBitPattern(I2DBitPattern& pattern);

// The driver's status for a failure: kNoSymbol, kUncorrectable, or
// kMalformedDataBase with the interpreter's code (3 an ECI designator past
// the end, 4 a length descriptor of 0, 5 a terminator before the end).
Status statusOfFailure(DecodeFailure failure);

// Reads the symbol in `pattern` and, on success, hands the decode result out
// through `out` (one reference, the caller's). `out` is written only on
// success; no reference to `pattern` is kept.
Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out);

}  // namespace ostrel2::tessoran
