// SPDX-License-Identifier: Apache-2.0
#include "support/CylinderWrap.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tessoran_test {

namespace {

constexpr double kWidestArcDegrees = 160.0;
// Beyond this angle around the cylinder (the quiet zone and the page past
// the label) the surface goes on flat, at its slope there, so that wrap
// stays one-to-one instead of folding round the back.
constexpr double kSteepestAngle = 80.0 * std::numbers::pi / 180.0;

}  // namespace

CylinderWrap::CylinderWrap(double width, double arcDegrees) {
    if (!(arcDegrees >= 0.0 && arcDegrees <= kWidestArcDegrees) || !(width > 0.0)) {
        throw std::invalid_argument("a cylinder wrap needs a width and an arc of 0 to 160 degrees");
    }
    middle = width / 2;
    halfArc = arcDegrees * std::numbers::pi / 360.0;
    radius = halfArc > 0.0 ? middle / halfArc : 1.0;
    edgeSine = halfArc > 0.0 ? std::sin(halfArc) : 1.0;
}

double CylinderWrap::wrap(double across) const {
    if (!active()) {
        return across;
    }
    const double angle = (across - middle) / radius;
    const double steep = std::abs(angle);
    const double sine =
        steep <= kSteepestAngle
            ? std::sin(steep)
            : std::sin(kSteepestAngle) + std::cos(kSteepestAngle) * (steep - kSteepestAngle);
    return middle + std::copysign(sine, angle) * middle / edgeSine;
}

double CylinderWrap::unwrap(double seen) const {
    if (!active()) {
        return seen;
    }
    const double sine = (seen - middle) * edgeSine / middle;
    const double steep = std::abs(sine);
    const double angle =
        steep <= std::sin(kSteepestAngle)
            ? std::asin(steep)
            : kSteepestAngle + (steep - std::sin(kSteepestAngle)) / std::cos(kSteepestAngle);
    return middle + std::copysign(angle, sine) * radius;
}

}  // namespace tessoran_test
