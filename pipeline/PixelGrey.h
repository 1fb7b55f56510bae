// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "capture/GreyImage.h"
#include "pattern/PixelView.h"

namespace ostrel2::tessoran {

// The brightness of every pixel of a caller's buffer, by the same rule as a
// picture's: each pixel as its ARGB word, seen over white paper.
capture::GreyImage greyImageOfPixels(const PixelView& pixels);

}  // namespace ostrel2::tessoran
