#include "pattern/GdiPlusMonoImage.h"

namespace ostrel2::tessoran {

bool isDarkColour(std::uint32_t argb) {
    const double red = static_cast<double>((argb >> 16) & 0xFF);
    const double green = static_cast<double>((argb >> 8) & 0xFF);
    const double blue = static_cast<double>(argb & 0xFF);
    const double brightness = (red * 0.00390625 + blue * 0.00390625 + green * 0.00390625) / 3;
    return brightness < 0.333;
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
