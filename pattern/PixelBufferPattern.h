// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "pattern/I2DBitPattern.h"
#include "pattern/PixelView.h"

namespace ostrel2::tessoran {

// A caller's pixel buffer seen as a pixel grid of its own size, with the
// brightness rule of pictures: a pixel is dark when its red, green and blue
// add up to 255 or less (grey 85 and below). Alpha plays no part, as in a
// picture. The buffer belongs to the caller, who keeps it alive until the
// final Release.
class PixelBufferPattern final : public ComObject<I2DBitPattern, IID_I2DBitPattern> {
  public:
    std::int32_t GetHeight() override { return pixels.height; }
    std::int32_t GetWidth() override { return pixels.width; }
    bool GetPixel(std::int32_t row, std::int32_t column) override;

  private:
    friend Status CreatePixelBufferPattern(const PixelView& pixels, I2DBitPattern** out);
    explicit PixelBufferPattern(const PixelView& view) : pixels(view) {}

    PixelView pixels;
};

// The only way to make one: hands it out through its query for I2DBitPattern.
Status CreatePixelBufferPattern(const PixelView& pixels, I2DBitPattern** out);

}  // namespace ostrel2::tessoran
