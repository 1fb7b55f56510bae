// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "pattern/PixelView.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

// A picture's pixels copied as ARGB words, so that symbols already read can
// be covered with paper before the picture is read again.
class PictureCopy {
  public:
    explicit PictureCopy(const PixelView& pixels);

    // The copy, laid out as blue, green, red and alpha bytes.
    PixelView view() const;

    // Paints opaque white over `place` widened by `margin` pixels on every
    // side; returns how many pixels it painted.
    std::int64_t paperOver(const SymbolPlace& place, double margin);

  private:
    std::int32_t width;
    std::int32_t height;
    std::vector<std::uint32_t> pixels;
};

}  // namespace ostrel2::tessoran
