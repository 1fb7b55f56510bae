// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <vector>

#include "capture/GreyImage.h"
#include "capture/GuardPatterns.h"

namespace ostrel2::tessoran::capture {

// The start and stop patterns that parallel lines across the whole picture
// cross, `spacing` pixels apart, in `directions` directions evenly spread
// over half a turn. Whatever the symbol's angle, with four directions one
// runs within 22.5 degrees of its rows, with eight within 11.25: close enough
// for a line to cross a pattern without leaving a symbol of a few rows on
// the way.
std::vector<GuardHit> scanForGuards(const GreyImage& image, double spacing, int directions);

}  // namespace ostrel2::tessoran::capture
