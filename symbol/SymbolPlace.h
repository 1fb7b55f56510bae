// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>

#include "symbol/CodewordStep.h"

namespace ostrel2::tessoran {

// A point of a picture in pixels: the picture's top-left corner is (0, 0) and
// pixel (i, j) covers x from i to i + 1 and y from j to j + 1.
struct PicturePoint {
    double x = 0;
    double y = 0;
};

// Where a symbol lies in its picture: the corners of the symbol as printed,
// top-left, top-right, bottom-right and bottom-left, where left is the start
// pattern's side and top the first row's. A symbol upside down in the
// picture has its top-left corner at the bottom right.
struct SymbolPlace {
    std::array<PicturePoint, 4> corners{};

    // Whether the symbol is seen mirrored: its corners turn the other way
    // round than printed ones do.
    bool mirrored() const;
    PicturePoint centre() const;
    // Whether `point` lies inside the corners.
    bool contains(PicturePoint point) const;
};

// A decoded symbol and where it was read.
struct LocatedSymbol {
    DecodedCodewords decoded;
    SymbolPlace place;
};

}  // namespace ostrel2::tessoran
