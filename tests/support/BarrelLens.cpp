// SPDX-License-Identifier: Apache-2.0
#include "support/BarrelLens.h"

#include <cmath>
#include <stdexcept>

namespace tessoran_test {

namespace {

// Newton steps that bring the radius to well under a thousandth of a pixel:
// r + k r^3 is convex and rising for r >= 0, so the steps from r_scene
// descend monotonically onto the root.
constexpr int kNewtonSteps = 12;

}  // namespace

BarrelLens::BarrelLens(Point lensCentre, double lensReach, double lensStrength)
    : centre(lensCentre), reach(lensReach), strength(lensStrength) {
    if (!(lensStrength >= 0.0) || !(lensReach > 0.0)) {
        throw std::invalid_argument("a barrel lens needs strength >= 0 and a positive reach");
    }
}

Point BarrelLens::undistort(Point picturePoint) const {
    if (!active()) {
        return picturePoint;
    }
    const double dx = picturePoint.x - centre.x;
    const double dy = picturePoint.y - centre.y;
    const double r2 = (dx * dx + dy * dy) / (reach * reach);
    const double scale = 1.0 + strength * r2;
    return {centre.x + dx * scale, centre.y + dy * scale};
}

Point BarrelLens::distort(Point scenePoint) const {
    if (!active()) {
        return scenePoint;
    }
    const double dx = scenePoint.x - centre.x;
    const double dy = scenePoint.y - centre.y;
    const double sceneRadius = std::hypot(dx, dy) / reach;
    if (sceneRadius == 0.0) {
        return scenePoint;
    }
    // Solve r + k r^3 = sceneRadius for the picture radius r.
    double r = sceneRadius;
    for (int step = 0; step < kNewtonSteps; ++step) {
        r -= (r + strength * r * r * r - sceneRadius) / (1.0 + 3.0 * strength * r * r);
    }
    const double scale = r / sceneRadius;
    return {centre.x + dx * scale, centre.y + dy * scale};
}

}  // namespace tessoran_test
