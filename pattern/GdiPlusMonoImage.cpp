#include "pattern/GdiPlusMonoImage.h"

namespace ostrel2::tessoran {

bool isDarkColour(std::uint32_t argb) {
    // The brightness (R/256 + B/256 + G/256) / 3 is below 0.333 exactly when
    // R + G + B is 255 or less; the sum is cheaper and has no rounding.
    const std::uint32_t sum = ((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF);
    return sum <= 255;
}

GdiPlusMonoImage::GdiPlusMonoImage(Gdiplus::Bitmap* source) : bitmap(source) {}

Status CreateGdiPlusMonoImage(Gdiplus::Bitmap* bitmap, I2DBitPattern** out) {
    auto* image = new GdiPlusMonoImage(bitmap);
    // The image library yields 0 for a size it cannot read and keeps the
    // failure as the bitmap's last status.
    image->height = static_cast<std::int32_t>(bitmap->GetHeight());
    image->width = static_cast<std::int32_t>(bitmap->GetWidth());
    return image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(out));
}

bool GdiPlusMonoImage::GetPixel(std::int32_t row, std::int32_t column) {
    // A pixel that cannot be read keeps the new colour's opaque black.
    Gdiplus::Color colour;
    bitmap->GetPixel(column, row, &colour);
    return isDarkColour(colour.GetValue());
}

}  // namespace ostrel2::tessoran
