// SPDX-License-Identifier: Apache-2.0
#include "pattern/PixelBufferPattern.h"

#include "pattern/GdiPlusMonoImage.h"

namespace ostrel2::tessoran {

bool PixelBufferPattern::GetPixel(std::int32_t row, std::int32_t column) {
    // Callers keep to the grid; a pixel outside it is light, like paper.
    if (row < 0 || column < 0 || row >= pixels.height || column >= pixels.width) {
        return false;
    }
    return isDarkColour(pixels.argbAt(row, column));
}

Status CreatePixelBufferPattern(const PixelView& pixels, I2DBitPattern** out) {
    auto* pattern = new PixelBufferPattern(pixels);
    return pattern->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(out));
}

}  // namespace ostrel2::tessoran
