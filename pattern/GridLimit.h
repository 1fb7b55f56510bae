// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "platform/DecodeBudget.h"

namespace ostrel2::tessoran {

// The most pixels a grid may have: as many as the decode budget lets one
// decoded image have. A bar string is held to the same size, counted in
// modules (four for each character of its lines), so that no input of either
// kind makes the decoder take more memory than the largest image would.
inline constexpr std::uint64_t kMaxGridPixels =
    platform::kDecodeBudgetBytes / platform::kBudgetBytesPerPixel;

}  // namespace ostrel2::tessoran
