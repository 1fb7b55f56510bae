// SPDX-License-Identifier: Apache-2.0
#include "support/SurfaceTexture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/SeededRandom.h"

namespace tessoran_test {

namespace {

// Paper fibres change its brightness by up to this share.
constexpr double kFibreContrast = 0.07;
constexpr double kFibreScale = 3.0;  // pixels between fibre lattice points

double channel(std::uint32_t rgb, int shift) {
    return static_cast<double>((rgb >> shift) & 0xFF);
}

std::uint32_t rgb(double red, double green, double blue) {
    const auto level = [](double value) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L));
    };
    return level(red) << 16 | level(green) << 8 | level(blue);
}

std::uint32_t mix(std::uint32_t from, std::uint32_t to, double share) {
    return rgb(channel(from, 16) + share * (channel(to, 16) - channel(from, 16)),
               channel(from, 8) + share * (channel(to, 8) - channel(from, 8)),
               channel(from, 0) + share * (channel(to, 0) - channel(from, 0)));
}

std::uint32_t scaled(std::uint32_t colour, double factor) {
    return rgb(channel(colour, 16) * factor, channel(colour, 8) * factor,
               channel(colour, 0) * factor);
}

}  // namespace

SurfaceTexture::SurfaceTexture(Surface surfaceKind, std::uint32_t paperColour,
                               std::uint64_t textureSeed)
    : kind(surfaceKind), paper(paperColour), seed(textureSeed) {
    SeededRandom random(textureSeed);
    angle = random.uniform(0.0, std::numbers::pi);
    if (kind == Surface::Wood) {
        period = random.uniform(12.0, 40.0);  // pixels between growth rings
        light = rgb(random.uniform(170, 215), random.uniform(120, 160), random.uniform(70, 105));
        dark = scaled(light, random.uniform(0.55, 0.75));
    } else {
        period = random.uniform(2.5, 7.0);  // pixels between threads
        light = rgb(random.uniform(40, 200), random.uniform(40, 200), random.uniform(40, 200));
        dark = scaled(light, random.uniform(0.6, 0.8));
    }
}

// Value noise: random levels on the integer lattice, smoothly interpolated;
// 0 to 1.
double SurfaceTexture::noise(double x, double y, std::uint64_t layer) const {
    const double left = std::floor(x);
    const double top = std::floor(y);
    const auto at = [&](double column, double row) {
        const auto hashed = mixSeed(seed ^ layer, static_cast<std::uint64_t>(column + 1e6),
                                    static_cast<std::uint64_t>(row + 1e6));
        return static_cast<double>(hashed >> 11) / 9007199254740992.0;  // 2^53
    };
    const auto ease = [](double t) { return t * t * (3.0 - 2.0 * t); };
    const double across = ease(x - left);
    const double down = ease(y - top);
    return (1 - down) * ((1 - across) * at(left, top) + across * at(left + 1, top)) +
           down * ((1 - across) * at(left, top + 1) + across * at(left + 1, top + 1));
}

// Three octaves of noise from `scale` pixels down: coarse blotches with finer
// detail on them; 0 to 1.
double SurfaceTexture::layered(double x, double y, double scale, std::uint64_t layer) const {
    return (4.0 * noise(x / scale, y / scale, layer) +
            2.0 * noise(2 * x / scale, 2 * y / scale, layer + 1) +
            noise(4 * x / scale, 4 * y / scale, layer + 2)) /
           7.0;
}

std::uint32_t SurfaceTexture::paperAt(Point point) const {
    const double fibres = layered(point.x, point.y, kFibreScale, 10) - 0.5;
    return scaled(paper, 1.0 + 2.0 * kFibreContrast * fibres);
}

std::uint32_t SurfaceTexture::woodAt(Point point) const {
    // Rings across the grain's direction, wavering where the wood grew
    // unevenly, with fine streaks along the grain.
    const double across = -point.x * std::sin(angle) + point.y * std::cos(angle);
    const double along = point.x * std::cos(angle) + point.y * std::sin(angle);
    const double waver = 2.5 * layered(along, across, 6.0 * period, 20);
    const double ring = 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * (across / period + waver));
    const double streaks = noise(along / (8.0 * period), across / 1.5, 30);
    return mix(light, dark, std::clamp(0.75 * ring * ring + 0.35 * streaks, 0.0, 1.0));
}

std::uint32_t SurfaceTexture::fabricAt(Point point) const {
    // Threads over and under in a plain weave, with slubs and uneven dye.
    const double u = (point.x * std::cos(angle) + point.y * std::sin(angle)) / period;
    const double v = (-point.x * std::sin(angle) + point.y * std::cos(angle)) / period;
    const double weave =
        0.5 + 0.5 * std::sin(std::numbers::pi * u) * std::sin(std::numbers::pi * v);
    const double dye = layered(point.x, point.y, 25.0 * period, 40);
    return mix(light, dark, std::clamp(0.6 * weave + 0.5 * dye - 0.1, 0.0, 1.0));
}

std::uint32_t SurfaceTexture::colourAt(Point imagePoint, bool onLabel) const {
    switch (kind) {
        case Surface::Plain:
            return paper;
        case Surface::Paper:
            return paperAt(imagePoint);
        case Surface::Wood:
            return onLabel ? paperAt(imagePoint) : woodAt(imagePoint);
        case Surface::Fabric:
            break;
    }
    return onLabel ? paperAt(imagePoint) : fabricAt(imagePoint);
}

}  // namespace tessoran_test
