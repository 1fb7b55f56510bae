// SPDX-License-Identifier: Apache-2.0
#include "capture/GuardBarEnds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "capture/SymbolLayout.h"

namespace ostrel2::tessoran::capture {

namespace {

// The middles of the guard patterns' widest spaces (3 modules each), from
// the lines: the start pattern's last element, 15.5 modules in from the
// symbol's boundary; the stop pattern's fourth, 10.5 modules out from the
// stop line.
constexpr double kStartSpaceCentre = kStartModules - 1.5;
constexpr double kStopSpaceCentre = -10.5;
// The least difference in grey levels between a bar and the quiet zone beside
// it that tells where the bar ends.
constexpr double kMinContrast = 8;
// The quiet zone is sampled this many modules beyond the symbol's boundary:
// clear of the blur of its outermost bar.
constexpr double kQuietProbe = 1.5;
// A bar ends where it gives way to light for a module, and for at least this
// many pixels, so that a speck of paper in a small bar does not end it.
constexpr double kMinLightRun = 2.0;
// How far past the hits a bar is followed at most: as far again as the hits
// span, and this many modules and pixels more, so that a bar that runs into
// dark surroundings still stops.
constexpr double kReachModules = 40;
constexpr double kReachPixels = 10;

// Where a guard pattern's bars and spaces lie, in modules inward of its line.
struct PatternOffsets {
    double bar;    // the middle of its widest bar
    double quiet;  // the quiet zone beside it, outside the symbol
    double space;  // the middle of its widest space
};

// Follows the bar whose middle lies `offsets.bar` modules inward of `guard`
// beyond the hits both ways, to where the symbol ends: where the bar gives
// way to light for at least a module, or the picture ends. Paper is told from
// ink by the quiet zone; where the picture's edge cuts the quiet zone off (a
// symbol printed without one, or cut out of a larger picture), by the
// pattern's widest space instead.
std::optional<BarEnds> findBarEnds(const GreyImage& image, const GuardLine& guard,
                                   const PatternOffsets& offsets) {
    const Point across = (offsets.bar * guard.module) * guard.inward;
    const Point outside = (offsets.quiet * guard.module) * guard.inward;
    const Point space = (offsets.space * guard.module) * guard.inward;
    std::vector<double> ink;
    std::vector<double> paper;
    std::vector<double> spaces;
    constexpr int kProbes = 16;
    for (int i = 0; i <= kProbes; ++i) {
        const double t = guard.first + (guard.last - guard.first) * i / kProbes;
        const Point p = guard.line.at(t);
        ink.push_back(image.sample(p + across));
        if (image.contains(p + outside)) {
            paper.push_back(image.sample(p + outside));
        }
        spaces.push_back(image.sample(p + space));
    }
    const double inkLevel = medianOf(ink);
    const double paperLevel = medianOf(2 * paper.size() > kProbes ? paper : spaces);
    if (paperLevel - inkLevel < kMinContrast) {
        return std::nullopt;
    }
    const double threshold = 0.5 * (inkLevel + paperLevel);
    const double step = 0.5;
    const double lightRun = std::max(kMinLightRun, guard.module);
    const double reach = (guard.last - guard.first) + kReachModules * guard.module + kReachPixels;

    const auto walk = [&](double from, double direction) {
        double lastDark = from;
        for (double travelled = 0; travelled <= reach; travelled += step) {
            const double t = from + direction * travelled;
            const Point p = guard.line.at(t) + across;
            if (!image.contains(p)) {
                return t;
            }
            if (image.sample(p) < threshold) {
                lastDark = t;
            } else if (std::abs(t - lastDark) >= lightRun) {
                break;
            }
        }
        return lastDark + direction * 0.5 * step;
    };
    const double first = walk(guard.first, -1);
    const double last = walk(guard.last, 1);
    return BarEnds{guard.line.at(first) + across, guard.line.at(last) + across};
}

}  // namespace

std::optional<BarEnds> widestBarEnds(const GreyImage& image, const GuardLine& guard) {
    if (guard.kind == GuardKind::Start) {
        return findBarEnds(image, guard, {kStartBarCentre, -kQuietProbe, kStartSpaceCentre});
    }
    return findBarEnds(image, guard,
                       {kStopBarCentre - kStopLine, -kStopLine - kQuietProbe, kStopSpaceCentre});
}

}  // namespace ostrel2::tessoran::capture
