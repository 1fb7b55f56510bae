// SPDX-License-Identifier: Apache-2.0
#include "bench/Surroundings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "bench/CaptureSettings.h"

namespace tessoran_bench {

using tessoran_test::Occluder;
using tessoran_test::PhotoSettings;
using tessoran_test::SeededRandom;
using tessoran_test::Surface;

namespace {

constexpr double kTextureShare = 0.35;
constexpr double kGlareShare = 0.2;
// At most this much of the light's colour over the print: the contrast left
// (over 45% of the print's own) still reads.
constexpr double kStrongestMildGlare = 0.55;
// Pixels kept free between the symbol's box and the image border.
constexpr int kBorderPixels = 4;

}  // namespace

void frameExtent(PhotoSettings& settings, const std::vector<std::string>& rows,
                 SeededRandom& random, double lowest, double highest) {
    auto [low, high] = tessoran_test::symbolExtent(rows, settings);
    const double largest = std::sqrt(kMostPixels / ((high.x - low.x) * (high.y - low.y)));
    if (largest < highest) {
        const double shrink = std::min(1.0, largest / highest);
        settings.moduleSize *= shrink;
        low = {low.x * shrink, low.y * shrink};
        high = {high.x * shrink, high.y * shrink};
    }
    const double scale = random.uniform(lowest, highest);
    settings.imageWidth = static_cast<int>(std::ceil((high.x - low.x) * scale)) + 2 * kBorderPixels;
    settings.imageHeight =
        static_cast<int>(std::ceil((high.y - low.y) * scale)) + 2 * kBorderPixels;
    // Where the symbol's centre may lie with its box inside the image.
    const auto place = [&](double lowEdge, double highEdge, int size) {
        const double first = kBorderPixels - lowEdge;
        const double last = size - kBorderPixels - highEdge;
        return random.uniform(first, std::max(first, last)) / size;
    };
    const double x = place(low.x, high.x, settings.imageWidth);
    settings.centre = {x, place(low.y, high.y, settings.imageHeight)};
}

void addSurroundings(PhotoSettings& settings, const std::vector<std::string>& rows,
                     SeededRandom& random) {
    if (random.chance(kTextureShare)) {
        settings.surface =
            std::array{Surface::Paper, Surface::Wood, Surface::Fabric}[random.uniformInt(0, 2)];
        settings.labelMargin = random.uniform(1.0, 8.0);
    }
    if (random.chance(kGlareShare)) {
        const auto width = static_cast<double>(rows.front().size());
        const double height = static_cast<double>(rows.size()) * settings.rowHeight;
        Occluder glare;
        glare.kind = Occluder::Kind::Glare;
        glare.centre = {random.uniform(0.1, 0.9) * width, random.uniform(0.1, 0.9) * height};
        glare.radiusAcross = random.uniform(0.15, 0.4) * width;
        glare.radiusDown = random.uniform(0.3, 0.8) * height;
        glare.strength = random.uniform(0.3, kStrongestMildGlare);
        glare.core = random.uniform(0.2, 0.5);
        glare.colour = grey(random.uniform(235, 255));
        settings.occluders.push_back(glare);
    }
}

}  // namespace tessoran_bench
