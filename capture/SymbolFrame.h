// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "capture/CaptureTrace.h"
#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "capture/Geometry.h"
#include "capture/GreyImage.h"
#include "capture/GuardLines.h"
#include "capture/SymbolMap.h"
#include "symbol/RowIndicators.h"

namespace ostrel2::tessoran::capture {

// Where a symbol lies in the picture and what its row indicators say of it.
struct SymbolFrame {
    // From symbol coordinates to the picture: x in modules from the symbol's
    // left boundary (the start pattern's first edge), y in rows from its top.
    SymbolMap toImage;
    std::int32_t rows = 0;
    std::int32_t columns = 0;  // data columns
    // A module's width in pixels, about.
    double module = 0;
    std::vector<RowIndicatorReading> indicators;
    // The places the frame was fitted to: symbol coordinates against where
    // they were seen in the picture.
    std::vector<Homography::Correspondence> places;
    // Built from one guard pattern and the row indicators beside it: the
    // places lie along one side, and only an affine frame follows from them.
    bool oneSided = false;
};

// Whether the frame maps all four corners of its symbol into the plane.
bool cornersFinite(const SymbolFrame& frame);

// Builds the frame of the symbol between a start line and a stop line that
// face each other: the ends of their widest bars give a first frame, the
// row indicators read along both sides give the rows and data columns and
// where each row lies on either side, and those places fix the frame.
std::optional<SymbolFrame> locateSymbol(const GreyImage& image, const GuardLine& start,
                                        const GuardLine& stop, const CodewordShapes& shapes,
                                        CodewordTemplateSet& templates, CaptureTrace* trace);

}  // namespace ostrel2::tessoran::capture
