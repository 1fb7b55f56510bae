// SPDX-License-Identifier: Apache-2.0
#include "capture/SymbolFrame.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "capture/GuardBarEnds.h"
#include "capture/SideIndicators.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolLines.h"

namespace ostrel2::tessoran::capture {

namespace {

// The guard lines measure a module across their bars; one turned further
// than this from the rows (the cosine) tells nothing of a module along them.
constexpr double kMinRowFacing = 0.2;
// The width that the bars' distance and that module give is rough: it may
// fall this many modules short of the narrowest symbol's and exceed the
// widest's by this many before no symbol fits it.
constexpr double kWidthShortfall = 8;
constexpr double kWidthExcess = 20;

// The widest bars of both guard patterns, from end to end, the ends of both
// in the same order; and the direction of the symbol's rows.
struct GuardBars {
    BarEnds start;
    BarEnds stop;
    Point rows;   // a unit vector
    double span;  // pixels between the bars' middles
};

std::optional<GuardBars> findGuardBars(const GreyImage& image, const GuardLine& start,
                                       const GuardLine& stop) {
    const std::optional<BarEnds> startBar = widestBarEnds(image, start);
    std::optional<BarEnds> stopBar = widestBarEnds(image, stop);
    if (!startBar || !stopBar) {
        return std::nullopt;
    }
    // Across the symbol from one bar's middle to the other's: about the
    // direction of its rows.
    const Point startMiddle = 0.5 * (startBar->first + startBar->last);
    const Point stopMiddle = 0.5 * (stopBar->first + stopBar->last);
    const Point across = stopMiddle - startMiddle;
    const double span = length(across);
    if (!(span > 0)) {
        return std::nullopt;
    }
    const Point rows = (1.0 / span) * across;
    // The same end of both bars first: the ends on the same side of the rows.
    if ((cross(rows, startBar->first - startMiddle) > 0) !=
        (cross(rows, stopBar->first - stopMiddle) > 0)) {
        std::swap(stopBar->first, stopBar->last);
    }
    return GuardBars{*startBar, *stopBar, rows, span};
}

// A module along the rows: the guard lines measure it across their bars,
// which perspective may have turned well away from the rows.
std::optional<double> moduleAlongRows(Point rows, const GuardLine& start, const GuardLine& stop) {
    const double startFacing = std::abs(dot(rows, start.inward));
    const double stopFacing = std::abs(dot(rows, stop.inward));
    if (startFacing < kMinRowFacing || stopFacing < kMinRowFacing) {
        return std::nullopt;
    }
    return 0.5 * (start.module / startFacing + stop.module / stopFacing);
}

// The symbol's width in modules as the bars' distance and the module tell it
// (the bars' middles lie 4 modules in from the left boundary and 14.5 in
// from the right one); none when no symbol is about that wide.
std::optional<double> roughWidthOf(double span, double module) {
    const double roughWidth = span / module + kStartBarCentre + kStopBarCentre;
    if (!(roughWidth >= kFixedModules + kCodewordModules - kWidthShortfall) ||
        roughWidth > kFixedModules + kCodewordModules * kMaxColumns + kWidthExcess) {
        return std::nullopt;
    }
    return roughWidth;
}

// A first frame, with y from 0 to 1 between the bars' ends, and the stop
// bar's middle at x = `stopBarX`.
std::optional<Homography> roughFrameOf(const GuardBars& bars, double stopBarX) {
    const Homography::Correspondence corners[] = {
        {{kStartBarCentre, 0}, bars.start.first},
        {{kStartBarCentre, 1}, bars.start.last},
        {{stopBarX, 0}, bars.stop.first},
        {{stopBarX, 1}, bars.stop.last},
    };
    return Homography::fit(corners);
}

}  // namespace

std::optional<SymbolFrame> locateSymbol(const GreyImage& image, const GuardLine& start,
                                        const GuardLine& stop, const CodewordShapes& shapes,
                                        CodewordTemplateSet& templates, CaptureTrace* trace) {
    const std::optional<GuardBars> bars = findGuardBars(image, start, stop);
    if (!bars) {
        return std::nullopt;
    }
    const std::optional<double> module = moduleAlongRows(bars->rows, start, stop);
    if (!module) {
        return std::nullopt;
    }
    const std::optional<double> roughWidth = roughWidthOf(bars->span, *module);
    if (!roughWidth) {
        return std::nullopt;
    }
    if (trace != nullptr) {
        trace->corners.insert(trace->corners.end(), {bars->start.first, bars->start.last,
                                                     bars->stop.first, bars->stop.last});
    }
    const double stopBarX = *roughWidth - kStopBarCentre;
    const std::optional<Homography> rough = roughFrameOf(*bars, stopBarX);
    if (!rough) {
        return std::nullopt;
    }

    const IndicatorScan scan{.width = *roughWidth,
                             .module = *module,
                             .sideLength = std::max(length(bars->start.last - bars->start.first),
                                                    length(bars->stop.last - bars->stop.first))};
    // Both sides' rows run alike from one end of the bars to the other, so
    // their places are checked together.
    SideReading read = readSides(image, *rough, scan, shapes, templates);
    std::optional<SymbolFrame>& frame = read.frame;
    if (!frame) {
        return std::nullopt;
    }

    // The frame proper, fitted to where the rows lie on both sides.
    const SideGroups sides = bestGroupOfEachRow(read.consistent, frame->rows);
    const double width = symbolWidth(frame->columns);
    std::vector<Homography::Correspondence> places = indicatorPlaces(sides, *rough, width);
    // The bar ends weigh as much as one side's row of indicators on average.
    std::vector<IndicatorGroup> both = sides.left;
    both.insert(both.end(), sides.right.begin(), sides.right.end());
    const BarColumn columns[] = {{kStartBarCentre, kStartBarCentre},
                                 {stopBarX, width - kStopBarCentre}};
    addBarEndPlaces(places, both, frame->rows, *rough, columns,
                    std::max(1.0, static_cast<double>(read.samples.size()) / frame->rows / 2));
    const std::optional<Homography> fitted = Homography::fit(places);
    frame->places = std::move(places);
    if (!fitted) {
        return std::nullopt;
    }
    frame->toImage = *fitted;
    frame->module = *module;
    if (!cornersFinite(*frame)) {
        return std::nullopt;
    }
    return std::move(frame);
}

bool cornersFinite(const SymbolFrame& frame) {
    const double width = symbolWidth(frame.columns);
    for (const Point corner : {Point{0, 0}, Point{width, 0}, Point{0, frame.rows * 1.0},
                               Point{width, frame.rows * 1.0}}) {
        if (!isFinite(frame.toImage.map(corner))) {
            return false;
        }
    }
    return true;
}

}  // namespace ostrel2::tessoran::capture
