// SPDX-License-Identifier: Apache-2.0
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

namespace {

// The z part of (b - a) x (c - a): positive when a, b, c turn clockwise on
// a picture, whose y axis points down.
double turn(PicturePoint a, PicturePoint b, PicturePoint c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

}  // namespace

bool SymbolPlace::mirrored() const {
    // Printed, top-left, top-right and bottom-right turn clockwise; the
    // quadrilateral's signed area keeps that true under any perspective.
    return turn(corners[0], corners[1], corners[2]) + turn(corners[0], corners[2], corners[3]) < 0;
}

PicturePoint SymbolPlace::centre() const {
    PicturePoint sum;
    for (const PicturePoint& corner : corners) {
        sum.x += corner.x / 4;
        sum.y += corner.y / 4;
    }
    return sum;
}

bool SymbolPlace::contains(PicturePoint point) const {
    // Inside a convex quadrilateral, the point is on the same side of all
    // four edges.
    int clockwise = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const double side = turn(corners[i], corners[(i + 1) % corners.size()], point);
        clockwise += side > 0 ? 1 : side < 0 ? -1 : 0;
    }
    return clockwise == 4 || clockwise == -4;
}

}  // namespace ostrel2::tessoran
