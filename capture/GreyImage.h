// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/Geometry.h"

namespace ostrel2::tessoran::capture {

// The brightness of every pixel of a picture, 0 for black to 255 for white,
// row by row from the top: what the capture reader looks at.
struct GreyImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    // Whether `p` lies within the picture's pixel centres.
    bool contains(Point p) const {
        return p.x >= 0 && p.y >= 0 && p.x <= width - 1 && p.y <= height - 1;
    }
    // The brightness at a point between pixel centres (pixel x, y has its
    // centre at x, y), interpolated from the four nearest pixels; points
    // outside the picture take the brightness of its nearest border pixel.
    float sample(Point p) const;
};

// The brightness of 32-bit ARGB pixels (alpha in the top byte, then red, green
// and blue), `strideBytes` apart from row to row. A pixel is seen over white
// paper: a transparent pixel is paper whatever colour it stores, as pictures
// drawn on a transparent background show in every viewer.
GreyImage greyFromArgb(const std::uint8_t* firstRow, std::int32_t width, std::int32_t height,
                       std::ptrdiff_t strideBytes);

}  // namespace ostrel2::tessoran::capture
