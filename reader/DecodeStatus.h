// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/Status.h"

namespace ostrel2::tessoran {

// Failure statuses of a decode.
inline constexpr Status kUncorrectable = static_cast<Status>(0x80510001u);
inline constexpr Status kNoSymbol = static_cast<Status>(0x80510002u);
// The interpreter's code goes into the low bits of this one.
inline constexpr Status kMalformedDataBase = static_cast<Status>(0x80510000u);

}  // namespace ostrel2::tessoran
