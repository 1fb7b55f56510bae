#pragma once

#include <cstdint>

#include "decoding/ITessoranResult.h"
#include "objects/Status.h"
#include "pattern/I2DBitPattern.h"

namespace ostrel2::tessoran {

// Failure statuses of a decode.
inline constexpr Status kUncorrectable = static_cast<Status>(0x80510001u);
inline constexpr Status kNoSymbol = static_cast<Status>(0x80510002u);
// The interpreter's code goes into the low bits of this one.
inline constexpr Status kMalformedDataBase = static_cast<Status>(0x80510000u);

// Reads the symbol in `pattern` and, on success, hands the decode result out
// through `out` (one reference, the caller's). `out` is written only on
// success; no reference to `pattern` is kept.
Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out);

}  // namespace ostrel2::tessoran
