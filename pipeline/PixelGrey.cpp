// SPDX-License-Identifier: Apache-2.0
#include "pipeline/PixelGrey.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ostrel2::tessoran {

namespace {

// Rows are turned into ARGB words a band at a time, so that the words never
// take more than a band's memory whatever the picture's size.
constexpr std::size_t kBandPixels = std::size_t{1} << 16;

}  // namespace

capture::GreyImage greyImageOfPixels(const PixelView& pixels) {
    capture::GreyImage grey;
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.firstRow == nullptr) {
        return grey;
    }
    // Blue, green, red and alpha bytes are the ARGB words themselves on the
    // machines this is built for.
    if constexpr (std::endian::native == std::endian::little) {
        if (pixels.layout == PixelLayout::Bgra32) {
            return capture::greyFromArgb(pixels.firstRow, pixels.width, pixels.height,
                                         pixels.strideBytes);
        }
    }
    const auto width = static_cast<std::size_t>(pixels.width);
    grey.width = pixels.width;
    grey.height = pixels.height;
    grey.pixels.resize(width * static_cast<std::size_t>(pixels.height));

    const auto bandRows = static_cast<std::int32_t>(std::max<std::size_t>(1, kBandPixels / width));
    std::vector<std::uint32_t> words(width * static_cast<std::size_t>(bandRows));
    for (std::int32_t top = 0; top < pixels.height; top += bandRows) {
        const std::int32_t rows = std::min(bandRows, pixels.height - top);
        std::uint32_t* word = words.data();
        for (std::int32_t row = top; row < top + rows; ++row) {
            for (std::int32_t column = 0; column < pixels.width; ++column) {
                *word++ = pixels.argbAt(row, column);
            }
        }
        const capture::GreyImage band =
            capture::greyFromArgb(reinterpret_cast<const std::uint8_t*>(words.data()), pixels.width,
                                  rows, static_cast<std::ptrdiff_t>(4 * width));
        std::memcpy(grey.pixels.data() + static_cast<std::size_t>(top) * width, band.pixels.data(),
                    band.pixels.size());
    }
    return grey;
}

}  // namespace ostrel2::tessoran
