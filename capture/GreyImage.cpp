// SPDX-License-Identifier: Apache-2.0
#include "capture/GreyImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ostrel2::tessoran::capture {

namespace {

// Luma of ITU-R BT.601 in eighths of a percent: 0.299 R + 0.587 G + 0.114 B.
constexpr std::uint32_t kRedWeight = 77;
constexpr std::uint32_t kGreenWeight = 150;
constexpr std::uint32_t kBlueWeight = 29;

std::uint8_t brightnessOver(std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    const std::uint32_t luma =
        (kRedWeight * ((argb >> 16) & 0xFF) + kGreenWeight * ((argb >> 8) & 0xFF) +
         kBlueWeight * (argb & 0xFF) + 128) >>
        8;
    // Over white: the pixel covers `alpha` of the paper. The division by 255,
    // rounded, as shifts: exact for every value that arises here, and free of
    // branches, so that whole rows are worked out side by side.
    const std::uint32_t over = luma * alpha + 255 * (255 - alpha) + 128;
    return static_cast<std::uint8_t>((over + (over >> 8)) >> 8);
}

}  // namespace

float GreyImage::sample(Point p) const {
    const double maxX = width - 1;
    const double maxY = height - 1;
    // Written so that a point with no place at all (NaN) lands on the corner.
    const auto x = static_cast<float>(p.x > 0 ? (p.x < maxX ? p.x : maxX) : 0);
    const auto y = static_cast<float>(p.y > 0 ? (p.y < maxY ? p.y : maxY) : 0);
    const auto x0 = static_cast<std::int32_t>(x);
    const auto y0 = static_cast<std::int32_t>(y);
    const std::int32_t x1 = std::min(x0 + 1, width - 1);
    const std::int32_t y1 = std::min(y0 + 1, height - 1);
    const float fx = x - static_cast<float>(x0);
    const float fy = y - static_cast<float>(y0);
    const float top =
        static_cast<float>(at(x0, y0)) + fx * static_cast<float>(at(x1, y0) - at(x0, y0));
    const float bottom =
        static_cast<float>(at(x0, y1)) + fx * static_cast<float>(at(x1, y1) - at(x0, y1));
    return top + fy * (bottom - top);
}

GreyImage greyFromArgb(const std::uint8_t* firstRow, std::int32_t width, std::int32_t height,
                       std::ptrdiff_t strideBytes) {
    GreyImage image;
    if (width <= 0 || height <= 0 || firstRow == nullptr) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::uint8_t* out = image.pixels.data();
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = firstRow + static_cast<std::ptrdiff_t>(y) * strideBytes;
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t argb = 0;
            std::memcpy(&argb, row + 4 * static_cast<std::ptrdiff_t>(x), sizeof argb);
            *out++ = brightnessOver(argb);
        }
    }
    return image;
}

}  // namespace ostrel2::tessoran::capture
