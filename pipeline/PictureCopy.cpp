// SPDX-License-Identifier: Apache-2.0
#include "pipeline/PictureCopy.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace ostrel2::tessoran {

namespace {

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// The corners of `place` moved `margin` further from its centre along each
// side's normal, about: along the diagonals, far enough that a corner's
// two sides move at least `margin` out.
SymbolPlace widened(const SymbolPlace& place, double margin) {
    const PicturePoint centre = place.centre();
    SymbolPlace wide = place;
    for (PicturePoint& corner : wide.corners) {
        const double dx = corner.x - centre.x;
        const double dy = corner.y - centre.y;
        const double distance = std::hypot(dx, dy);
        if (distance > 0) {
            const double scale = (distance + margin * std::sqrt(2.0)) / distance;
            corner = {centre.x + dx * scale, centre.y + dy * scale};
        }
    }
    return wide;
}

}  // namespace

// ARGB words are blue, green, red and alpha bytes on the machines this is
// built for.
static_assert(std::endian::native == std::endian::little);

PictureCopy::PictureCopy(const PixelView& source)
    : width(source.width),
      height(source.height),
      pixels(static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height)) {
    for (std::int32_t row = 0; row < height; ++row) {
        for (std::int32_t column = 0; column < width; ++column) {
            pixels[static_cast<std::size_t>(row) * width + column] = source.argbAt(row, column);
        }
    }
}

PixelView PictureCopy::view() const {
    return PixelView{reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height,
                     static_cast<std::ptrdiff_t>(width) * 4, PixelLayout::Bgra32};
}

std::int64_t PictureCopy::paperOver(const SymbolPlace& place, double margin) {
    const SymbolPlace wide = widened(place, margin);
    for (const PicturePoint& corner : wide.corners) {
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y)) {
            return 0;
        }
    }
    double left = width;
    double top = height;
    double right = 0;
    double bottom = 0;
    for (const PicturePoint& corner : wide.corners) {
        left = std::min(left, corner.x);
        top = std::min(top, corner.y);
        right = std::max(right, corner.x);
        bottom = std::max(bottom, corner.y);
    }
    const auto clampTo = [](double value, std::int32_t limit) {
        return static_cast<std::int32_t>(std::clamp(value, 0.0, static_cast<double>(limit)));
    };
    std::int64_t painted = 0;
    for (std::int32_t y = clampTo(std::floor(top), height); y < clampTo(std::ceil(bottom), height);
         ++y) {
        for (std::int32_t x = clampTo(std::floor(left), width);
             x < clampTo(std::ceil(right), width); ++x) {
            if (wide.contains({x + 0.5, y + 0.5})) {
                pixels[static_cast<std::size_t>(y) * width + x] = kOpaqueWhite;
                ++painted;
            }
        }
    }
    return painted;
}

}  // namespace ostrel2::tessoran
