// SPDX-License-Identifier: Apache-2.0
#include "pattern/GdiPlusMonoImage.h"

#include <cstring>

namespace ostrel2::tessoran {

bool isDarkColour(std::uint32_t argb) {
    // The brightness (R/256 + B/256 + G/256) / 3 is below 0.333 exactly when
    // R + G + B is 255 or less; the sum is cheaper and has no rounding.
    const std::uint32_t sum = ((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF);
    return sum <= 255;
}

GdiPlusMonoImage::GdiPlusMonoImage(Gdiplus::Bitmap* source) : bitmap(source) {}

void GdiPlusMonoImage::lockPixels() {
    if (width > 0 && height > 0) {
        locked.emplace(*bitmap);
    }
}

Status CreateGdiPlusMonoImage(Gdiplus::Bitmap* bitmap, I2DBitPattern** out) {
    auto* image = new GdiPlusMonoImage(bitmap);
    // The image library yields 0 for a size it cannot read and keeps the
    // failure as the bitmap's last status.
    image->height = static_cast<std::int32_t>(bitmap->GetHeight());
    image->width = static_cast<std::int32_t>(bitmap->GetWidth());
    image->lockPixels();
    return image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(out));
}

void GdiPlusMonoImage::ReadRow(std::int32_t row, std::uint8_t* pixels) {
    if (!pixelsLocked() || row < 0 || row >= height) {
        I2DBitPattern::ReadRow(row, pixels);
        return;
    }
    const std::uint8_t* source =
        locked->rows() + static_cast<std::ptrdiff_t>(row) * locked->stride();
    for (std::int32_t column = 0; column < width; ++column, source += 4) {
        std::uint32_t argb = 0;
        std::memcpy(&argb, source, sizeof argb);
        pixels[column] = isDarkColour(argb) ? 1 : 0;
    }
}

bool GdiPlusMonoImage::GetPixel(std::int32_t row, std::int32_t column) {
    if (pixelsLocked() && row >= 0 && column >= 0 && row < height && column < width) {
        std::uint32_t argb = 0;
        std::memcpy(&argb,
                    locked->rows() + static_cast<std::ptrdiff_t>(row) * locked->stride() +
                        4 * static_cast<std::ptrdiff_t>(column),
                    sizeof argb);
        return isDarkColour(argb);
    }
    // A pixel that cannot be read keeps the new colour's opaque black.
    Gdiplus::Color colour;
    bitmap->GetPixel(column, row, &colour);
    return isDarkColour(colour.GetValue());
}

}  // namespace ostrel2::tessoran
