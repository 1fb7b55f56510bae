// SPDX-License-Identifier: Apache-2.0
#include "bench/CaptureSettings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tessoran_bench {

using tessoran_test::PhotoSettings;
using tessoran_test::Point;
using tessoran_test::SeededRandom;

std::uint32_t grey(double level) {
    const auto value = static_cast<std::uint32_t>(std::clamp(std::lround(level), 0L, 255L));
    return value << 16 | value << 8 | value;
}

// Paper and ink of level `paper` and print contrast `contrast` (the share of
// the paper's light that the ink takes away), tinted when `tinted`.
void choosePrint(PhotoSettings& settings, SeededRandom& random, double paper, double contrast,
                 bool tinted) {
    const double ink = paper * (1.0 - contrast);
    settings.paperColour = grey(paper);
    settings.inkColour = grey(ink);
    if (tinted) {
        // Coloured paper (one channel weaker) and coloured ink (one stronger).
        const int paperShift = 8 * random.uniformInt(0, 2);
        const int inkShift = 8 * random.uniformInt(0, 2);
        const double paperTint = random.uniform(0.7, 0.95);
        settings.paperColour = (settings.paperColour & ~(0xFFu << paperShift)) |
                               (grey(paper * paperTint) & (0xFFu << paperShift));
        settings.inkColour =
            (settings.inkColour & ~(0xFFu << inkShift)) |
            (grey(std::min(paper * paperTint, ink + random.uniform(20, 80))) & (0xFFu << inkShift));
    }
}

int chooseRowHeight(SeededRandom& random) {
    return random.chance(0.6) ? 3 : std::array{2, 4, 5, 6}[random.uniformInt(0, 3)];
}

// Keystone of `strength` (the far side shorter by that share) seen from
// direction `angle`, with the corners a little uneven.
std::array<Point, 4> keystone(SeededRandom& random, double strength, double angle) {
    const double across = strength * std::cos(angle);
    const double down = strength * std::sin(angle);
    // Top-left, top-right, bottom-right, bottom-left.
    std::array<Point, 4> moved{};
    // A shorter top (down > 0) or bottom (down < 0) edge.
    const double top = std::max(down, 0.0) / 2;
    const double bottom = std::max(-down, 0.0) / 2;
    const double left = std::max(across, 0.0) / 2;
    const double right = std::max(-across, 0.0) / 2;
    moved[0] = {top, left};
    moved[1] = {-top, right};
    moved[2] = {-bottom, -right};
    moved[3] = {bottom, -left};
    for (Point& corner : moved) {
        corner.x += random.uniform(-0.02, 0.02);
        corner.y += random.uniform(-0.02, 0.02);
    }
    return moved;
}

// An image a little larger than the symbol (by `lowest` to `highest` times
// its extent), the symbol anywhere in it.
void frame(PhotoSettings& settings, const std::vector<std::string>& rows, SeededRandom& random,
           double lowest, double highest) {
    const double width =
        (static_cast<double>(rows.front().size()) + 2 * settings.quietZone) * settings.moduleSize;
    const double height = (static_cast<double>(rows.size() * settings.rowHeight) +
                           2 * settings.quietZone + std::abs(settings.bend)) *
                          settings.moduleSize;
    const double angle = settings.angleDegrees * std::numbers::pi / 180.0;
    const double spread =
        1.0 +
        1.5 * std::max({std::abs(settings.keystone[0].x), std::abs(settings.keystone[0].y),
                        std::abs(settings.keystone[2].x), std::abs(settings.keystone[2].y), 0.0});
    const double boxWidth =
        spread * (std::abs(std::cos(angle)) * width + std::abs(std::sin(angle)) * height);
    const double boxHeight =
        spread * (std::abs(std::sin(angle)) * width + std::abs(std::cos(angle)) * height);
    double scale = random.uniform(lowest, highest);
    scale = std::min(scale, std::sqrt(kMostPixels / (boxWidth * boxHeight)));
    constexpr int kSmallestWidth = 100;
    constexpr int kSmallestHeight = 50;
    settings.imageWidth =
        std::max(kSmallestWidth, static_cast<int>(std::ceil(boxWidth * scale)) + 8);
    settings.imageHeight =
        std::max(kSmallestHeight, static_cast<int>(std::ceil(boxHeight * scale)) + 8);
    const double freeX = 0.5 * (1.0 - boxWidth / settings.imageWidth);
    const double freeY = 0.5 * (1.0 - boxHeight / settings.imageHeight);
    settings.centre = {0.5 + random.uniform(-freeX, freeX), 0.5 + random.uniform(-freeY, freeY)};
}

// A phone photo: the symbol somewhere in a 12 or 24 megapixel picture, its
// diagonal at most half the picture's height.
void phoneFrame(PhotoSettings& settings, const std::vector<std::string>& rows,
                SeededRandom& random) {
    const bool largest = random.chance(0.5);
    settings.imageWidth = largest ? 6000 : 4000;
    settings.imageHeight = largest ? 4000 : 3000;
    const double diagonal =
        std::hypot(static_cast<double>(rows.front().size() + 2 * settings.quietZone),
                   static_cast<double>(rows.size() * settings.rowHeight + 2 * settings.quietZone));
    settings.moduleSize = std::min(random.uniform(4.0, 9.0), 0.5 * settings.imageHeight / diagonal);
    settings.centre = {random.uniform(0.35, 0.65), random.uniform(0.35, 0.65)};
}

// Light blur and noise, grey paper: a decent scanner or camera.
void mildEffects(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    settings.blurModules = random.uniform(0.05, 0.25);
    settings.noiseLevels = random.uniform(1.0, 5.0);
    choosePrint(settings, random, random.uniform(200, 248), random.uniform(0.7, 0.95), false);
    jpegQuality = random.chance(0.5) ? random.uniformInt(75, 95) : 0;
}

}  // namespace tessoran_bench
