#pragma once

#include <vector>

#include "capture/GreyImage.h"
#include "capture/GuardPatterns.h"

namespace ostrel2::tessoran::capture {

// The start and stop patterns that parallel lines across the whole picture
// cross, `spacing` pixels apart, in eight directions a sixteenth of a turn
// apart. Whatever the symbol's angle, some direction runs within 11.25
// degrees of its rows, so its patterns are seen without the lines leaving
// them on the way across.
std::vector<GuardHit> scanForGuards(const GreyImage& image, double spacing);

}  // namespace ostrel2::tessoran::capture
