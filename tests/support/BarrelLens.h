// SPDX-License-Identifier: Apache-2.0
#pragma once

// The radial distortion of a wide-angle phone lens: points are drawn toward
// the picture's centre the more the farther out they lie, so straight lines
// that miss the centre bow outward.

#include "support/Homography.h"

namespace tessoran_test {

class BarrelLens {
  public:
    // No distortion.
    BarrelLens() = default;
    // Distortion about `centre`. The picture point at distance r x `reach`
    // from the centre shows the scene point at r x (1 + strength x r^2) x
    // `reach`: with `reach` half the picture's diagonal, a scene point drawn
    // in a corner of the picture lies `strength` half-diagonals further out.
    // Throws std::invalid_argument unless strength >= 0 and reach > 0.
    BarrelLens(Point centre, double reach, double strength);

    bool active() const { return strength > 0.0; }
    // Where the picture shows `scenePoint`.
    Point distort(Point scenePoint) const;
    // The scene point the picture shows at `picturePoint`.
    Point undistort(Point picturePoint) const;

  private:
    Point centre{};
    double reach = 1.0;
    double strength = 0.0;
};

}  // namespace tessoran_test
