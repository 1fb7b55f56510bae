// SPDX-License-Identifier: Apache-2.0
#pragma once

// Pages that are not one even colour: paper with its fibres showing, or a
// label on a wooden table or on cloth, the surface showing around it. Every
// colour comes from the seed and the point alone.

#include <cstdint>

#include "support/Homography.h"

namespace tessoran_test {

enum class Surface {
    Plain,   // the paper colour everywhere
    Paper,   // paper texture everywhere
    Wood,    // a paper label on wood grain
    Fabric,  // a paper label on woven cloth
};

class SurfaceTexture {
  public:
    SurfaceTexture(Surface kind, std::uint32_t paperColour, std::uint64_t seed);

    // The RGB colour of the page at `imagePoint` (pixels), on the label or
    // off it.
    std::uint32_t colourAt(Point imagePoint, bool onLabel) const;

  private:
    double noise(double x, double y, std::uint64_t layer) const;
    double layered(double x, double y, double scale, std::uint64_t layer) const;
    std::uint32_t paperAt(Point point) const;
    std::uint32_t woodAt(Point point) const;
    std::uint32_t fabricAt(Point point) const;

    Surface kind;
    std::uint32_t paper;
    std::uint64_t seed;
    // Drawn from the seed: the grain's or weave's direction and scale.
    double angle = 0.0;
    double period = 1.0;
    std::uint32_t light = 0;
    std::uint32_t dark = 0;
};

}  // namespace tessoran_test
