// SPDX-License-Identifier: Apache-2.0
#pragma once

// What lies between the camera and part of the symbol: a thumb holding the
// page, or the glare of a lamp on glossy paper, drawn over the finished
// picture.

#include <cstdint>
#include <functional>
#include <vector>

#include "support/Homography.h"
#include "support/ImageWriters.h"

namespace tessoran_test {

class SeededRandom;

// An ellipse in the symbol's frame (modules across, modules down), its axes
// along the frame's, so that it leans and shrinks with the symbol.
struct Occluder {
    enum class Kind {
        // Opaque: skin or a dark glove, a little darker toward its rim.
        Thumb,
        // The light's colour mixed into the picture: `strength` of it over
        // the inner `core` of the ellipse (1 washes the print out there),
        // fading to nothing at its rim.
        Glare,
    };
    Kind kind = Kind::Thumb;
    Point centre{};
    double radiusAcross = 1.0;
    double radiusDown = 1.0;
    std::uint32_t colour = 0xE0AC8C;  // RGB
    double strength = 1.0;
    double core = 0.6;  // glare: the share of the radii where it is strongest
};

// Draws `occluders` over `image`, with sensor noise of `noiseLevels` on what
// they cover. `toSymbol` and `toImage` map between picture and symbol frame.
void drawOccluders(ArgbImage& image, const std::vector<Occluder>& occluders,
                   const std::function<Point(Point)>& toSymbol,
                   const std::function<Point(Point)>& toImage, double noiseLevels,
                   SeededRandom& random);

}  // namespace tessoran_test
