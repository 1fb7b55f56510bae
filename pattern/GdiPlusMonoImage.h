// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "pattern/I2DBitPattern.h"
#include "platform/GdiPlus.h"
#include "platform/LockedPixels.h"

namespace ostrel2::tessoran {

// A bitmap from the image library seen as a pixel grid of its own size: a
// pixel is dark when its red, green and blue add up to 255 or less. The
// bitmap belongs to the caller, who keeps it alive until the final Release.
//
// The decoder reads every pixel, so the pixels are read from the bitmap's
// locked pixel memory, one load each, rather than asked of the library one
// call at a time (which on some platforms takes a lock per pixel); the
// colours are the same. A pixel outside the bitmap, or a bitmap whose pixels
// cannot be locked, is asked of the library as before.
class GdiPlusMonoImage final : public ComObject<I2DBitPattern, IID_I2DBitPattern> {
  public:
    std::int32_t GetHeight() override { return height; }
    std::int32_t GetWidth() override { return width; }
    bool GetPixel(std::int32_t row, std::int32_t column) override;
    void ReadRow(std::int32_t row, std::uint8_t* pixels) override;

  private:
    friend Status CreateGdiPlusMonoImage(Gdiplus::Bitmap* bitmap, I2DBitPattern** out);
    explicit GdiPlusMonoImage(Gdiplus::Bitmap* source);
    void lockPixels();
    bool pixelsLocked() const { return locked && locked->locked(); }

    std::int32_t height = 0;
    std::int32_t width = 0;
    Gdiplus::Bitmap* bitmap;
    // Unlocked with the object.
    std::optional<platform::LockedPixels> locked;
};

// The only way to make one: reads the height, then the width, and hands the
// object out through its query for I2DBitPattern.
Status CreateGdiPlusMonoImage(Gdiplus::Bitmap* bitmap, I2DBitPattern** out);

// The brightness rule: dark when (R/256 + B/256 + G/256) / 3 < 0.333, which is
// exactly R + G + B <= 255. Alpha plays no part.
bool isDarkColour(std::uint32_t argb);

}  // namespace ostrel2::tessoran
