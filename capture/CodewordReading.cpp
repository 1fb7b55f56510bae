// SPDX-License-Identifier: Apache-2.0
#include "capture/CodewordReading.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "capture/SymbolLayout.h"

namespace ostrel2::tessoran::capture {

namespace {

// How far an edge may lie from where it is looked for, in modules.
constexpr double kStartTolerance = 2.5;
constexpr double kEndTolerance = 2.5;
// Candidates tried for each of the two edges.
constexpr std::size_t kCandidates = 2;
// What a match loses for each square module its first bar lies from where
// it was looked for. The edges of two neighbouring codewords can hold a
// third codeword a few modules in, read as well as they are: then the one
// at its place wins, while a frame a module or two off still reads.
constexpr float kOffPlaceCost = 0.05f;
// Where a guard pattern's widest bar is looked for, in modules of a line
// whose scale may be well off, and how wide it must be: the start pattern's
// is 8 of its 17 modules, the stop pattern's 7 of the 14 from its start to
// the start of its fourth bar.
constexpr double kGuardTolerance = 4;
constexpr double kWidestShare = 0.3;
constexpr double kStopHeadModules = 14;
// A row indicator's modules may differ from its guard pattern's by this share
// either way: perspective and a label's curve narrow the pattern at the
// symbol's edge more than the indicator beside it.
constexpr double kIndicatorScaleSlack = 0.4;

// The indices of bar-start edges within `tolerance` of `x`, nearest first.
std::vector<std::size_t> barStartsNear(std::span<const ModuleEdge> edges, double x,
                                       double tolerance) {
    std::vector<std::size_t> found;
    const auto first =
        std::lower_bound(edges.begin(), edges.end(), x - tolerance,
                         [](const ModuleEdge& edge, double value) { return edge.x < value; });
    for (auto it = first; it != edges.end() && it->x <= x + tolerance; ++it) {
        if (it->toDark) {
            found.push_back(static_cast<std::size_t>(it - edges.begin()));
        }
    }
    std::sort(found.begin(), found.end(), [&](std::size_t a, std::size_t b) {
        return std::abs(edges[a].x - x) < std::abs(edges[b].x - x);
    });
    if (found.size() > kCandidates) {
        found.resize(kCandidates);
    }
    return found;
}

}  // namespace

std::optional<CodewordRead> readCodewordAt(std::span<const ModuleEdge> edges, double nominalStart,
                                           std::optional<std::int32_t> cluster,
                                           const CodewordShapes& shapes, double width,
                                           double widthSlack) {
    std::optional<CodewordRead> best;
    float bestCost = 0;
    const double scale = width / kCodewordModules;
    const double endTolerance = std::max(kEndTolerance * scale, widthSlack * width);
    for (const std::size_t start : barStartsNear(edges, nominalStart, kStartTolerance * scale)) {
        const double expectedEnd = edges[start].x + width;
        for (const std::size_t end : barStartsNear(edges, expectedEnd, endTolerance)) {
            // Eight elements: bar, space, ..., space.
            if (end != start + 8) {
                continue;
            }
            const double found = edges[end].x - edges[start].x;
            if (found <= 0) {
                continue;
            }
            const double toModules = kCodewordModules / found;
            EdgeDistances distances{};
            for (std::size_t i = 1; i <= 6; ++i) {
                distances[i - 1] = static_cast<float>(
                    (edges[start + i + 1].x - edges[start + i - 1].x) * toModules);
            }
            const std::optional<CodewordMatch> match = shapes.identify(distances, cluster);
            if (!match) {
                continue;
            }
            const auto off = static_cast<float>((edges[start].x - nominalStart) / scale);
            const float cost = match->distance + kOffPlaceCost * off * off;
            if (!best || cost < bestCost) {
                best = CodewordRead{*match, edges[start].x, edges[end].x};
                bestCost = cost;
            }
        }
    }
    return best;
}

std::optional<CodewordRead> readLeftIndicator(std::span<const ModuleEdge> edges,
                                              const CodewordShapes& shapes) {
    // The start pattern: its 8-module bar begins near 0 and the indicator
    // begins eight edges on, 17 modules after it.
    for (const std::size_t first : barStartsNear(edges, 0, kGuardTolerance)) {
        if (first + 8 >= edges.size() || !edges[first + 8].toDark) {
            continue;
        }
        const double patternWidth = edges[first + 8].x - edges[first].x;
        const double barWidth = edges[first + 1].x - edges[first].x;
        if (!(patternWidth > 0) || barWidth < patternWidth * kWidestShare) {
            continue;
        }
        const double width = kCodewordModules * patternWidth / kStartModules;
        if (auto read = readCodewordAt(edges, edges[first + 8].x, std::nullopt, shapes, width,
                                       kIndicatorScaleSlack)) {
            return read;
        }
    }
    return std::nullopt;
}

std::optional<CodewordRead> readRightIndicator(std::span<const ModuleEdge> edges, double stopStart,
                                               const CodewordShapes& shapes) {
    // The stop pattern: its 7-module bar, then bars beginning 8, 12 and 14
    // modules after it; the indicator ends where the pattern begins.
    for (const std::size_t first : barStartsNear(edges, stopStart, kGuardTolerance)) {
        if (first + 6 >= edges.size() || !edges[first + 6].toDark) {
            continue;
        }
        const double headWidth = edges[first + 6].x - edges[first].x;
        const double barWidth = edges[first + 1].x - edges[first].x;
        if (!(headWidth > 0) || barWidth < headWidth * kWidestShare) {
            continue;
        }
        // The indicator's eight elements end where the pattern begins.
        if (first < 8 || !edges[first - 8].toDark) {
            continue;
        }
        const double width = kCodewordModules * headWidth / kStopHeadModules;
        if (auto read = readCodewordAt(edges, edges[first - 8].x, std::nullopt, shapes, width,
                                       kIndicatorScaleSlack)) {
            return read;
        }
    }
    return std::nullopt;
}

}  // namespace ostrel2::tessoran::capture
