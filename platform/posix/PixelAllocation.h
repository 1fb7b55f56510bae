// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>

#include "platform/DecodeBudget.h"
#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

// Takes the image's share of `budget` and sets `image` to width x height
// pixels, all of `fill` when one is given and otherwise left for the decoder
// to write. False, and `image` untouched, when the budget has no room for the
// image or the memory cannot be had (the budget is then spent all the same:
// the decode is over).
bool allocatePixels(Gdiplus::GpImage& image, std::uint64_t width, std::uint64_t height,
                    DecodeBudget& budget, std::optional<std::uint32_t> fill = std::nullopt);

}  // namespace ostrel2::tessoran::platform
