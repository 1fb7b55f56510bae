// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "capture/GreyImage.h"
#include "platform/GdiPlus.h"

namespace ostrel2::tessoran::capture {

// The brightness of every pixel of a loaded bitmap, read in one pass through
// the image library's locked pixels; none when they cannot be read.
std::optional<GreyImage> greyImageOf(Gdiplus::Bitmap& bitmap);

}  // namespace ostrel2::tessoran::capture
