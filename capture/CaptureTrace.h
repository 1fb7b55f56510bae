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
    std::vector<Segment> rowLines;
    std::vector<Cell> cells;
};

}  // namespace ostrel2::tessoran::capture
