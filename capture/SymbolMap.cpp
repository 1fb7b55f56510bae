// SPDX-License-Identifier: Apache-2.0
#include "capture/SymbolMap.h"

#include <algorithm>
#include <vector>

namespace ostrel2::tessoran::capture {

namespace {

// A correction needs this many places for each of its terms ...
constexpr std::size_t kPlacesPerTerm = 3;
// ... and places across this share of the symbol's width: a correction
// follows the rows only as far as they were seen.
constexpr double kLeastWidthShare = 0.5;
// How strongly the correction is held towards none, as a share of the
// places' weight: where the places leave a term loose, it stays small.
constexpr double kRestraint = 0.001;

using Terms = std::array<double, SymbolMap::kTerms>;

Terms termsAt(double u, double v) {
    return {1, u, v, u * u, u * v, v * v, u * u * u, u * u * v, u * v * v, v * v * v};
}

}  // namespace

Point SymbolMap::correction(Point p) const {
    const Terms terms = termsAt((p.x - middle.x) / half.x, (p.y - middle.y) / half.y);
    Point shift;
    for (std::size_t k = 0; k < kTerms; ++k) {
        shift.x += xTerms[k] * terms[k];
        shift.y += yTerms[k] * terms[k];
    }
    return shift;
}

Point SymbolMap::map(Point p) const {
    const Point flatPoint = flatMap.map(p);
    return corrected ? flatPoint + correction(p) : flatPoint;
}

Point SymbolMap::MappedLine::at(double i) const {
    const Point flatPoint = flat.at(i);
    if (!map->corrected) {
        return flatPoint;
    }
    return flatPoint + map->correction(start + i * step);
}

SymbolMap::MappedLine SymbolMap::mapLine(Point start, Point step) const {
    MappedLine line;
    line.flat = flatMap.mapLine(start, step);
    line.map = this;
    line.start = start;
    line.step = step;
    return line;
}

std::optional<SymbolMap> SymbolMap::fitBent(std::span<const Homography::Correspondence> places,
                                            double width, double rows) {
    const std::optional<Homography> flat = Homography::fit(places);
    if (!flat || places.size() < kPlacesPerTerm * kTerms) {
        return std::nullopt;
    }
    if (reachAcross(places) < kLeastWidthShare * width) {
        return std::nullopt;
    }
    SymbolMap bent(*flat);
    bent.middle = {width / 2, rows / 2};
    bent.half = {width / 2, rows / 2};

    // Least squares for what the homography leaves over, restrained.
    std::vector<double> normal(kTerms * kTerms, 0.0);
    std::vector<double> xRight(kTerms, 0.0);
    std::vector<double> yRight(kTerms, 0.0);
    double weights = 0;
    for (const Homography::Correspondence& place : places) {
        const Point left = place.to - flat->map(place.from);
        const Terms terms = termsAt((place.from.x - bent.middle.x) / bent.half.x,
                                    (place.from.y - bent.middle.y) / bent.half.y);
        for (std::size_t i = 0; i < kTerms; ++i) {
            for (std::size_t j = 0; j < kTerms; ++j) {
                normal[i * kTerms + j] += place.weight * terms[i] * terms[j];
            }
            xRight[i] += place.weight * terms[i] * left.x;
            yRight[i] += place.weight * terms[i] * left.y;
        }
        weights += place.weight;
    }
    for (std::size_t i = 0; i < kTerms; ++i) {
        normal[i * kTerms + i] += kRestraint * weights;
    }
    std::vector<double> forY = normal;
    if (!solveLinearSystem(normal, xRight, kTerms) || !solveLinearSystem(forY, yRight, kTerms)) {
        return std::nullopt;
    }
    std::copy(xRight.begin(), xRight.end(), bent.xTerms.begin());
    std::copy(yRight.begin(), yRight.end(), bent.yTerms.begin());
    bent.corrected = true;
    return bent;
}

}  // namespace ostrel2::tessoran::capture
