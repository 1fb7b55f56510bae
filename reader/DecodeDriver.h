// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/ITessoranResult.h"
#include "objects/Status.h"
#include "pattern/I2DBitPattern.h"
#include "reader/DecodeStatus.h"

namespace ostrel2::tessoran {

// Reads the symbol in `pattern` and, on success, hands the decode result out
// through `out` (one reference, the caller's). `out` is written only on
// success; no reference to `pattern` is kept.
Status DecodeBitPattern(I2DBitPattern* pattern, ITessoranResult** out);

}  // namespace ostrel2::tessoran
