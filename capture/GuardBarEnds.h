// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "capture/Geometry.h"
#include "capture/GreyImage.h"
#include "capture/GuardLines.h"

namespace ostrel2::tessoran::capture {

// The ends of a guard pattern's widest bar: where the symbol's first and last
// rows end on that side.
struct BarEnds {
    Point first;  // towards the guard line's start
    Point last;
};

// Follows the widest bar of the start (or stop) pattern along `guard` beyond
// its hits both ways, to where the symbol ends: where the bar gives way to
// light for at least a module, or the picture ends. None when the bar is not
// told from the paper beside it.
std::optional<BarEnds> widestBarEnds(const GreyImage& image, const GuardLine& guard);

}  // namespace ostrel2::tessoran::capture
