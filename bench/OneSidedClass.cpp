// SPDX-License-Identifier: Apache-2.0
// The one-sided class: a symbol whose start or stop pattern does not show,
// cut off by the image border or covered by a thumb or by glare. What is
// lost beyond the pattern and its row indicator never passes what the
// symbol's check codewords can restore, so every picture can be read.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "bench/CaptureSettings.h"
#include "bench/HarderClasses.h"
#include "bench/Surroundings.h"
#include "support/Zint.h"

namespace tessoran_bench {

namespace {

using tessoran_test::Occluder;
using tessoran_test::PhotoSettings;
using tessoran_test::SeededRandom;

constexpr double kStartModules = 17;
constexpr double kStopModules = 18;
constexpr double kIndicatorModules = 17;
// Erasures kept for what the mild blur, noise and JPEG may cost besides.
constexpr int kSpareErasures = 4;
// How far into the first data column a cover may reach when the check
// codewords can restore that whole column: about half a codeword.
constexpr double kIntoDataColumn = 8;
// A cut leaves at most this much of the pattern, its innermost modules.
constexpr double kPatternLeft = 2;
// The image border of a cut lies within this many degrees of the pattern.
constexpr double kMostCutTilt = 3.0;
// A thumb's soft rim, as Occluders.cpp draws it, and a margin inside it.
constexpr double kThumbSolid = 0.95;

// The side's geometry in the symbol's frame, measured in from its edge.
struct Side {
    bool start = true;
    double pattern = kStartModules;  // modules of the start or stop pattern
    double deepest = 0.0;            // the most any cover may take
    double width = 0.0;              // the symbol's, in modules
    double height = 0.0;             // the symbol's, in modules

    // The symbol-frame x of a point `depth` modules in from this side.
    double across(double depth) const { return start ? depth : width - depth; }
};

Side chooseSide(const std::vector<std::string>& rows, const PhotoSettings& settings,
                SeededRandom& random) {
    const tessoran_test::SymbolFormat format = tessoran_test::moduleRowsFormat(rows);
    Side side;
    side.start = random.chance(0.5);
    side.pattern = side.start ? kStartModules : kStopModules;
    const int restorable = (2 << format.ecLevel) - 2 - kSpareErasures;
    side.deepest =
        side.pattern + kIndicatorModules + (restorable >= format.rows ? kIntoDataColumn : 0.0);
    side.width = static_cast<double>(rows.front().size());
    side.height = static_cast<double>(rows.size()) * settings.rowHeight;
    return side;
}

// The image border through the pattern or just inside it, nearly along it,
// in every row: at the symbol's far end from where the border touches it,
// a tilted border cuts less deep.
void cutByBorder(PhotoSettings& settings, const Side& side, SeededRandom& random) {
    const double shallowest = side.pattern - kPatternLeft;
    const double deepest = std::min(side.pattern + 10.0, side.deepest);
    const double slantRoom = 0.5 * (deepest - shallowest);
    const double mostTilt =
        std::min(kMostCutTilt, std::atan(slantRoom / side.height) * 180 / std::numbers::pi);
    const double tilt = random.uniform(-mostTilt, mostTilt);
    const double quarter = 90.0 * random.uniformInt(0, 3);
    settings.angleDegrees = quarter + tilt;
    settings.mirrored = random.chance(0.3);
    const double slant = side.height * std::tan(std::abs(tilt) * std::numbers::pi / 180);
    const double depth = random.uniform(shallowest + slant, deepest);
    settings.sideCut = side.start ? depth : -depth;
}

// An ellipse over the side whose solid `core` (a share of its radii) covers
// the whole pattern in every row, from the symbol's edge in, and reaches no
// deeper than `reach`; its radius across at most `widest` where it can be.
Occluder coverSide(const Side& side, double reach, double core, double widest,
                   SeededRandom& random) {
    // The core passes the pattern's inner edge where the ellipse is widest
    // (reach - radius x (1 - core) > pattern + 1), and its middle lies no
    // further in than half that edge, so that where the core passes the
    // edge it also covers everything outside of it.
    const double room = reach - side.pattern - 1.0;
    const double fewest = room + (side.pattern + 1.0) / 2;
    const double most = 0.95 * room / (1.0 - core);
    const double radiusAcross = random.uniform(fewest, std::max(fewest, std::min(most, widest)));
    const double middle = reach - radiusAcross;
    // How far the core's half-width at the symbol's top and bottom row must
    // still reach, as a share of its half-width at the middle.
    const double share = (side.pattern + 1.0 - middle) / (core * radiusAcross);
    const double radiusDown = random.uniform(1.0, 1.3) * (side.height / 2) /
                              (core * std::sqrt(std::max(1e-3, 1.0 - share * share)));
    Occluder cover;
    cover.centre = {side.across(middle), side.height / 2};
    cover.radiusAcross = radiusAcross;
    cover.radiusDown = radiusDown;
    cover.core = core;
    return cover;
}

// The least room between the pattern and a cover's reach that a core of
// `core` needs (see coverSide).
double leastRoom(const Side& side, double core) {
    return (side.pattern + 1.0) * (1.0 - core) / (2.0 * core);
}

Occluder thumb(const Side& side, SeededRandom& random) {
    const double reach =
        random.uniform(side.pattern + 2.0 + leastRoom(side, kThumbSolid), side.deepest);
    const double widest = random.uniform(25.0, 60.0);
    Occluder cover = coverSide(side, reach, kThumbSolid, widest, random);
    cover.kind = Occluder::Kind::Thumb;
    if (random.chance(0.7)) {
        const double red = random.uniform(180, 235);
        const double green = red * random.uniform(0.7, 0.85);
        const double blue = green * random.uniform(0.75, 0.9);
        cover.colour = (grey(red) & 0xFF0000u) | (grey(green) & 0xFF00u) | (grey(blue) & 0xFFu);
    } else {
        cover.colour = grey(random.uniform(25, 80));  // a dark glove or sleeve
    }
    return cover;
}

Occluder glare(const Side& side, SeededRandom& random) {
    const double core = random.uniform(0.55, 0.7);
    const double reach = random.uniform(side.pattern + 2.0 + leastRoom(side, core), side.deepest);
    Occluder cover = coverSide(side, reach, core, 1e9, random);
    cover.kind = Occluder::Kind::Glare;
    cover.strength = 1.0;
    cover.colour = grey(random.uniform(245, 255));
    return cover;
}

}  // namespace

ChosenSymbol composeOneSided(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    // At least level 3, so that a cover may reach into the first data column
    // of smaller symbols.
    ChosenSymbol symbol = chooseSymbol(random, 5, 300, 3);
    mildEffects(settings, random, jpegQuality);
    const Side side = chooseSide(symbol.moduleRows, settings, random);
    const int how = random.uniformInt(0, 2);  // border, thumb, glare
    if (how == 0) {
        cutByBorder(settings, side, random);
    } else {
        settings.angleDegrees = random.uniform(0.0, 360.0);
        settings.mirrored = random.chance(0.3);
        settings.occluders.push_back(how == 1 ? thumb(side, random) : glare(side, random));
    }
    frameExtent(settings, symbol.moduleRows, random, 1.05, 1.6);
    if (random.chance(0.3)) {
        settings.surface = std::array{tessoran_test::Surface::Paper, tessoran_test::Surface::Wood,
                                      tessoran_test::Surface::Fabric}[random.uniformInt(0, 2)];
        settings.labelMargin = random.uniform(1.0, 8.0);
    }
    return symbol;
}

}  // namespace tessoran_bench
