#pragma once

#include <cstdint>
#include <optional>

#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

// The most memory one decoded image may take: 1 GiB of 32-bit pixels. Files
// come from anywhere, and a few header bytes can declare billions of pixels.
inline constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{1} << 30;

// Whether an image of width x height pixels has any pixels and fits the limit
// at four bytes a pixel. The product is never formed, so it cannot overflow.
constexpr bool fitsPixelLimit(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) {
        return false;
    }
    return width <= kMaxPixelBytes / 4 / height;
}

// Sets `image` to width x height pixels, all of `fill` when one is given and
// otherwise left for the decoder to write. False, and `image` untouched, when
// the size is refused or the memory cannot be had.
bool allocatePixels(Gdiplus::GpImage& image, std::uint64_t width, std::uint64_t height,
                    std::optional<std::uint32_t> fill = std::nullopt);

}  // namespace ostrel2::tessoran::platform
