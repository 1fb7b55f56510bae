// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "capture/Geometry.h"

namespace ostrel2::tessoran::capture {

// What the capture reader found, for a picture of it drawn over the input:
// filled only when asked for.
struct CaptureTrace {
    enum class CellState { Read, Erased, Corrected };

    struct Hit {
        Point outer;
        Point inner;
        bool start = true;
    };
    struct Segment {
        Point from;
        Point to;
    };
    struct Cell {
        // The codeword's corners: top left, top right, bottom right, bottom left.
        Point corners[4];
        CellState state = CellState::Read;
    };

    std::vector<Hit> hits;
    std::vector<Segment> guardLines;
    std::vector<Point> corners;
    // The row boundaries as the frame follows them, in pieces short enough
    // to show a bent frame's curves.
    std::vector<Segment> rowLines;
    std::vector<Cell> cells;
    // The widest bars of guard patterns that a frame was built from alone,
    // the other side of their symbol not seen.
    std::vector<Segment> loneSides;
    // Whether the picture was also looked at with dark and light exchanged.
    bool invertedSearch = false;
    // Whether it was also looked at sharpened, its edges being soft.
    bool sharpenedSearch = false;
};

}  // namespace ostrel2::tessoran::capture
