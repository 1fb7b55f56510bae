// SPDX-License-Identifier: Apache-2.0
#include "support/Occluders.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "support/SeededRandom.h"

namespace tessoran_test {

namespace {

// A thumb's rim is soft over this share of its radii: skin seen out of focus.
constexpr double kThumbRim = 0.04;
// A thumb is darker toward its rim by up to this share: it curves away from
// the light.
constexpr double kThumbShadow = 0.3;
constexpr int kOutlinePoints = 64;

double channel(std::uint32_t rgb, int shift) {
    return static_cast<double>((rgb >> shift) & 0xFF);
}

double smoothStep(double from, double to, double value) {
    const double t = std::clamp((value - from) / (to - from), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;  // past the last column
    int bottom = 0;
};

// The pixels the occluder may touch: the box around its outline in the
// picture, within the picture; the whole picture when the outline maps
// nowhere sensible (beyond a strong keystone's horizon).
PixelBox reach(const Occluder& occluder, const std::function<Point(Point)>& toImage, int width,
               int height) {
    double lowX = std::numeric_limits<double>::infinity();
    double lowY = lowX;
    double highX = -lowX;
    double highY = -lowX;
    for (int i = 0; i < kOutlinePoints; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kOutlinePoints;
        const Point image = toImage({occluder.centre.x + occluder.radiusAcross * std::cos(angle),
                                     occluder.centre.y + occluder.radiusDown * std::sin(angle)});
        lowX = std::min(lowX, image.x);
        lowY = std::min(lowY, image.y);
        highX = std::max(highX, image.x);
        highY = std::max(highY, image.y);
    }
    if (!std::isfinite(lowX + lowY + highX + highY)) {
        lowX = lowY = 0.0;
        highX = width;
        highY = height;
    }
    // A pixel or two beyond the outline, for the curve between its points.
    constexpr int kMargin = 2;
    return {std::clamp(static_cast<int>(std::floor(lowX)) - kMargin, 0, width),
            std::clamp(static_cast<int>(std::floor(lowY)) - kMargin, 0, height),
            std::clamp(static_cast<int>(std::ceil(highX)) + kMargin, 0, width),
            std::clamp(static_cast<int>(std::ceil(highY)) + kMargin, 0, height)};
}

// How much of the occluder's own colour the pixel gets at elliptic distance
// `distance` (1 on the rim), and how much light its colour keeps there.
std::pair<double, double> weightAndLight(const Occluder& occluder, double distance) {
    if (occluder.kind == Occluder::Kind::Thumb) {
        return {1.0 - smoothStep(1.0 - kThumbRim, 1.0, distance),
                1.0 - kThumbShadow * std::min(1.0, distance * distance)};
    }
    return {occluder.strength * (1.0 - smoothStep(occluder.core, 1.0, distance)), 1.0};
}

void drawOccluder(ArgbImage& image, const Occluder& occluder,
                  const std::function<Point(Point)>& toSymbol,
                  const std::function<Point(Point)>& toImage, double noiseLevels,
                  SeededRandom& random) {
    const PixelBox box = reach(occluder, toImage, image.width, image.height);
    for (int row = box.top; row < box.bottom; ++row) {
        for (int column = box.left; column < box.right; ++column) {
            const Point symbol = toSymbol({column + 0.5, row + 0.5});
            const double distance =
                std::hypot((symbol.x - occluder.centre.x) / occluder.radiusAcross,
                           (symbol.y - occluder.centre.y) / occluder.radiusDown);
            if (!(distance < 1.0)) {  // NaN beyond the horizon counts as outside
                continue;
            }
            const auto [weight, light] = weightAndLight(occluder, distance);
            const std::uint32_t before = image.at(row, column);
            std::uint32_t after = before & 0xFF000000u;
            for (const int shift : {16, 8, 0}) {
                double level = (1.0 - weight) * channel(before, shift) +
                               weight * light * channel(occluder.colour, shift);
                if (noiseLevels > 0.0) {
                    level += weight * random.normal(0.0, noiseLevels);
                }
                after |= static_cast<std::uint32_t>(std::clamp(std::lround(level), 0L, 255L))
                         << shift;
            }
            image.set(row, column, after);
        }
    }
}

}  // namespace

void drawOccluders(ArgbImage& image, const std::vector<Occluder>& occluders,
                   const std::function<Point(Point)>& toSymbol,
                   const std::function<Point(Point)>& toImage, double noiseLevels,
                   SeededRandom& random) {
    for (const Occluder& occluder : occluders) {
        drawOccluder(image, occluder, toSymbol, toImage, noiseLevels, random);
    }
}

}  // namespace tessoran_test
