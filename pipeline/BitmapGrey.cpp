// SPDX-License-Identifier: Apache-2.0
#include "pipeline/BitmapGrey.h"

#include "platform/LockedPixels.h"

namespace ostrel2::tessoran::capture {

std::optional<GreyImage> greyImageOf(Gdiplus::Bitmap& bitmap) {
    const platform::LockedPixels locked(bitmap);
    if (!locked.locked()) {
        return std::nullopt;
    }
    return greyFromArgb(locked.rows(), locked.width(), locked.height(), locked.stride());
}

}  // namespace ostrel2::tessoran::capture
