// SPDX-License-Identifier: Apache-2.0
#include "library/PictureInputs.h"

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/DecodeBudget.h"

namespace ostrel2::tessoran::library {

namespace {

std::optional<PixelLayout> layoutOf(tessoran_pixel_format format) {
    switch (format) {
        case TESSORAN_GREY8:
            return PixelLayout::Grey8;
        case TESSORAN_RGB24:
            return PixelLayout::Rgb24;
        case TESSORAN_RGBA32:
            return PixelLayout::Rgba32;
        case TESSORAN_BGRA32:
            return PixelLayout::Bgra32;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<PixelView> pixelViewOf(const void* pixels, int width, int height, int stride,
                                     tessoran_pixel_format format) {
    const std::optional<PixelLayout> layout = layoutOf(format);
    if (pixels == nullptr || !layout || width <= 0 || height <= 0 ||
        !platform::fitsDecodeBudget(static_cast<std::uint64_t>(width),
                                    static_cast<std::uint64_t>(height)) ||
        static_cast<std::int64_t>(stride) <
            static_cast<std::int64_t>(width) * bytesPerPixel(*layout)) {
        return std::nullopt;
    }
    return PixelView{static_cast<const std::uint8_t*>(pixels), width, height, stride, *layout};
}

// A decoded image's pixels, ARGB words, are blue, green, red and alpha bytes
// on the machines the library is built for.
static_assert(std::endian::native == std::endian::little);

PixelView viewOfDecodedImage(const Gdiplus::GpImage& image) {
    return PixelView{reinterpret_cast<const std::uint8_t*>(image.pixels.data()), image.width,
                     image.height, static_cast<std::ptrdiff_t>(4) * image.width,
                     PixelLayout::Bgra32};
}

}  // namespace ostrel2::tessoran::library
