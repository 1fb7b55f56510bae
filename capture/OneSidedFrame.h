// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "capture/CaptureTrace.h"
#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "capture/GreyImage.h"
#include "capture/GuardLines.h"
#include "capture/SymbolFrame.h"

namespace ostrel2::tessoran::capture {

// Builds the frame of a symbol of which only one guard pattern is seen: cut
// at its other side by the picture's edge, covered by a thumb or glare, or
// damaged there. The row indicators beside `guard` state the symbol's rows,
// data columns and level; where they were read fixes the rows along that
// side, and the frame reaches across the symbol at the pattern's module,
// perpendicular to its bars. What lies beyond the picture is read as
// erasures. None when the indicators do not state a symbol.
std::optional<SymbolFrame> locateFromOneSide(const GreyImage& image, const GuardLine& guard,
                                             const CodewordShapes& shapes,
                                             CodewordTemplateSet& templates, CaptureTrace* trace);

}  // namespace ostrel2::tessoran::capture
