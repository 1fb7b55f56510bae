// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/IObjectBase.h"

namespace ostrel2 {

// A grid of dark (1) and light (0) pixels, addressed row first (0 at the top),
// then column (0 at the left). Callers keep 0 <= row < height and
// 0 <= column < width.
struct I2DBitPattern : IObjectBase {
    virtual std::int32_t GetHeight() = 0;
    virtual std::int32_t GetWidth() = 0;
    virtual bool GetPixel(std::int32_t row, std::int32_t column) = 0;
    // The pixels of a whole row, 1 for dark and 0 for light, into `pixels`
    // (width entries): what GetPixel gives for each column. The decoder reads
    // every pixel of a grid a row at a time, and a grid that can hand out a
    // row at once spares a call a pixel.
    virtual void ReadRow(std::int32_t row, std::uint8_t* pixels) {
        const std::int32_t width = GetWidth();
        for (std::int32_t column = 0; column < width; ++column) {
            pixels[column] = GetPixel(row, column) ? 1 : 0;
        }
    }

  protected:
    ~I2DBitPattern() = default;
};

}  // namespace ostrel2
