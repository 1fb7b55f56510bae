// SPDX-License-Identifier: Apache-2.0
#include "platform/posix/PixelAllocation.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

namespace ostrel2::tessoran::platform {

bool allocatePixels(Gdiplus::GpImage& image, std::uint64_t width, std::uint64_t height,
                    DecodeBudget& budget, std::optional<std::uint32_t> fill) {
    if (!budget.takeImage(width, height)) {
        return false;
    }
    try {
        Gdiplus::PixelBuffer pixels(static_cast<std::size_t>(width * height));
        if (fill.has_value()) {
            std::fill(pixels.begin(), pixels.end(), *fill);
        }
        image.pixels = std::move(pixels);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Both fit in 32 signed bits: within the budget neither can reach 2^28.
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    return true;
}

}  // namespace ostrel2::tessoran::platform
