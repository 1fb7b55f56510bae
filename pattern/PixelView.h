// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel2::tessoran {

// How the pixels of a caller's buffer are laid out, byte by byte.
enum class PixelLayout {
    Grey8,   // one byte: 0 black to 255 white
    Rgb24,   // red, green, blue
    Rgba32,  // red, green, blue, alpha (not premultiplied)
    Bgra32,  // blue, green, red, alpha (not premultiplied)
};

constexpr std::int32_t bytesPerPixel(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::Grey8:
            return 1;
        case PixelLayout::Rgb24:
            return 3;
        case PixelLayout::Rgba32:
        case PixelLayout::Bgra32:
            break;
    }
    return 4;
}

// Pixels that someone else holds: `height` rows of `width` pixels, the first
// row at `firstRow` and each next one `strideBytes` further on. Whoever makes
// one has checked that every row lies in the buffer.
struct PixelView {
    const std::uint8_t* firstRow = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::ptrdiff_t strideBytes = 0;
    PixelLayout layout = PixelLayout::Grey8;

    // The pixel at `row`, `column` as a 32-bit ARGB word (alpha in the top
    // byte, then red, green, blue), as the image library gives its pixels;
    // grey g is red, green and blue g, and pixels without alpha are opaque.
    std::uint32_t argbAt(std::int32_t row, std::int32_t column) const {
        const std::uint8_t* p = firstRow + static_cast<std::ptrdiff_t>(row) * strideBytes +
                                static_cast<std::ptrdiff_t>(column) * bytesPerPixel(layout);
        switch (layout) {
            case PixelLayout::Grey8:
                return argb(0xFF, p[0], p[0], p[0]);
            case PixelLayout::Rgb24:
                return argb(0xFF, p[0], p[1], p[2]);
            case PixelLayout::Rgba32:
                return argb(p[3], p[0], p[1], p[2]);
            case PixelLayout::Bgra32:
                break;
        }
        return argb(p[3], p[2], p[1], p[0]);
    }

  private:
    static constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g,
                                        std::uint32_t b) {
        return a << 24 | r << 16 | g << 8 | b;
    }
};

}  // namespace ostrel2::tessoran
