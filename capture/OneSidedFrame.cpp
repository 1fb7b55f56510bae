// SPDX-License-Identifier: Apache-2.0
#include "capture/OneSidedFrame.h"

#include <cmath>
#include <vector>

#include "capture/GuardBarEnds.h"
#include "capture/SideIndicators.h"
#include "capture/SymbolLayout.h"

namespace ostrel2::tessoran::capture {

namespace {

// Before the indicators are read, a stop pattern's symbol is taken to be as
// wide as the widest: only the stop pattern's own place in it matters then.
constexpr double kAssumedWidth = symbolWidth(kMaxColumns);
// The first frame reaches this many modules across, to fix its direction.
constexpr double kAcross = 40;
// Indicators are looked for this share of the bar's length beyond each of
// its ends too: a guard pattern damaged at its ends is shorter than the
// rows beside it.
constexpr double kBeyondBar = 0.5;

// A first frame with y from 0 to 1 between the bar's ends and x in modules
// along the rows, perpendicular to the bars; the widest bar's middle at
// x = `barX`.
std::optional<Homography> roughFrameOf(const BarEnds& bar, const GuardLine& guard, double barX) {
    // x grows from the start pattern towards the stop pattern: into the
    // symbol from a start line, out of it from a stop line.
    const double sense = guard.kind == GuardKind::Start ? 1.0 : -1.0;
    const Point across = (sense * kAcross * guard.module) * guard.inward;
    const Homography::Correspondence corners[] = {
        {{barX, 0}, bar.first},
        {{barX, 1}, bar.last},
        {{barX + kAcross, 0}, bar.first + across},
        {{barX + kAcross, 1}, bar.last + across},
    };
    return Homography::fit(corners);
}

}  // namespace

std::optional<SymbolFrame> locateFromOneSide(const GreyImage& image, const GuardLine& guard,
                                             const CodewordShapes& shapes,
                                             CodewordTemplateSet& templates, CaptureTrace* trace) {
    const std::optional<BarEnds> bar = widestBarEnds(image, guard);
    if (!bar) {
        return std::nullopt;
    }
    const bool start = guard.kind == GuardKind::Start;
    const double roughBarX = start ? kStartBarCentre : kAssumedWidth - kStopBarCentre;
    const std::optional<Homography> rough = roughFrameOf(*bar, guard, roughBarX);
    if (!rough) {
        return std::nullopt;
    }
    if (trace != nullptr) {
        trace->corners.insert(trace->corners.end(), {bar->first, bar->last});
        trace->loneSides.push_back({bar->first, bar->last});
    }

    const IndicatorScan scan{.width = kAssumedWidth,
                             .module = guard.module,
                             .sideLength = length(bar->last - bar->first),
                             .firstY = -kBeyondBar,
                             .lastY = 1 + kBeyondBar,
                             .left = start,
                             .right = !start};
    SideReading read = readSides(image, *rough, scan, shapes, templates);
    std::optional<SymbolFrame>& frame = read.frame;
    if (!frame) {
        return std::nullopt;
    }

    const SideGroups sides = bestGroupOfEachRow(read.consistent, frame->rows);
    const std::vector<IndicatorGroup>& side = start ? sides.left : sides.right;
    const double width = symbolWidth(frame->columns);
    std::vector<Homography::Correspondence> places = indicatorPlaces(sides, *rough, width);
    // The bar's ends weigh as much as a row of indicators on average.
    const BarColumn column[] = {{roughBarX, start ? kStartBarCentre : width - kStopBarCentre}};
    addBarEndPlaces(places, side, frame->rows, *rough, column,
                    std::max(1.0, static_cast<double>(read.samples.size()) / frame->rows));
    const std::optional<Homography> fitted = Homography::fitAffine(places);
    frame->places = std::move(places);
    if (!fitted) {
        return std::nullopt;
    }
    frame->toImage = *fitted;
    frame->module = guard.module;
    frame->oneSided = true;
    if (!cornersFinite(*frame)) {
        return std::nullopt;
    }
    return std::move(frame);
}

}  // namespace ostrel2::tessoran::capture
