// SPDX-License-Identifier: Apache-2.0
#include "capture/BitmapGrey.h"

namespace ostrel2::tessoran::capture {

std::optional<GreyImage> greyImageOf(Gdiplus::Bitmap& bitmap) {
    // The platform's library names its pixel formats with macros, ours with
    // constants of its namespace.
    using namespace Gdiplus;
    const auto width = static_cast<int>(bitmap.GetWidth());
    const auto height = static_cast<int>(bitmap.GetHeight());
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const Rect whole(0, 0, width, height);
    BitmapData locked;
    if (bitmap.LockBits(&whole, ImageLockModeRead, PixelFormat32bppARGB, &locked) != Ok) {
        return std::nullopt;
    }
    GreyImage grey =
        greyFromArgb(static_cast<const std::uint8_t*>(locked.Scan0), width, height, locked.Stride);
    bitmap.UnlockBits(&locked);
    return grey;
}

}  // namespace ostrel2::tessoran::capture
