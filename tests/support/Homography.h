// SPDX-License-Identifier: Apache-2.0
#pragma once

// A plane projective transform: how a flat printed page appears to a camera
// (rotation, scale and keystone in one 3 x 3 matrix).

#include <array>

namespace tessoran_test {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

class Homography {
  public:
    // The transform that takes the rectangle (0, 0) - (width, height) to the
    // quadrilateral `corners`, given as the images of (0, 0), (width, 0),
    // (width, height) and (0, height) in that order. The corners must form a
    // convex quadrilateral.
    static Homography rectangleToQuad(double width, double height,
                                      const std::array<Point, 4>& corners);

    Point map(Point point) const;
    // Whether the transform takes `point` to the side of the horizon where the
    // rectangle appears (points beyond it map to a mirrored ghost).
    bool inFront(Point point) const;
    // The reverse transform (the matrix's adjugate: it differs from the
    // inverse only by a factor, which a projective map ignores).
    Homography inverse() const;

  private:
    std::array<std::array<double, 3>, 3> matrix{};
};

}  // namespace tessoran_test
