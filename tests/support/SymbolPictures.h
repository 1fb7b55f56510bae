// SPDX-License-Identifier: Apache-2.0
#pragma once
// Pictures of several zint symbols, each turned its own way, with the
// corners of every symbol known exactly.

#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {

// How a symbol is turned on the picture.
enum class Turn { Upright, Quarter, Half, ThreeQuarters, Mirrored };

struct Point2 {
    double x;
    double y;
};

// A symbol to put on a picture: zint's module rows of `data` (given to zint
// as bytes, with `zintOptions` besides -b 55), `module` pixels a module
// across and 3 * `module` pixels a row down, its box's top-left corner at
// (left, top) after turning. A quarter turn is clockwise.
struct Placement {
    std::string data;
    std::vector<std::string> zintOptions;
    Turn turn = Turn::Upright;
    int left = 0;
    int top = 0;
    int module = 3;
};

struct Placed {
    std::vector<std::string> rows;
    // The symbol's corners as printed: top-left, top-right, bottom-right,
    // bottom-left, in picture pixels.
    std::vector<Point2> corners;
};

// Draws the symbol of `at` in black on `picture`.
Placed place(ArgbImage& picture, const Placement& at);

// A white picture of the symbols of `placements`, written as a grey PNG
// named `name` in `directory`; returns its path.
std::string pictureOf(const TemporaryDirectory& directory, const std::string& name,
                      const std::vector<Placement>& placements, int width, int height);

}  // namespace tessoran_test
