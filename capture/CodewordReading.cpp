#include "capture/CodewordReading.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace ostrel2::tessoran::capture {

namespace {

constexpr double kModulesPerCodeword = 17;
// How far an edge may lie from where it is looked for, in modules.
constexpr double kStartTolerance = 2.5;
constexpr double kEndTolerance = 2.5;
// Candidates tried for each of the two edges.
constexpr std::size_t kCandidates = 2;

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
                                           const CodewordShapes& shapes) {
    std::optional<CodewordRead> best;
    for (const std::size_t start : barStartsNear(edges, nominalStart, kStartTolerance)) {
        const double expectedEnd = edges[start].x + kModulesPerCodeword;
        for (const std::size_t end : barStartsNear(edges, expectedEnd, kEndTolerance)) {
            // Eight elements: bar, space, ..., space.
            if (end != start + 8) {
                continue;
            }
            const double width = edges[end].x - edges[start].x;
            if (width <= 0) {
                continue;
            }
            const double scale = kModulesPerCodeword / width;
            EdgeDistances distances{};
            for (std::size_t i = 1; i <= 6; ++i) {
                distances[i - 1] =
                    static_cast<float>((edges[start + i + 1].x - edges[start + i - 1].x) * scale);
            }
            const std::optional<CodewordMatch> match = shapes.identify(distances, cluster);
            if (match && (!best || match->distance < best->match.distance)) {
                best = CodewordRead{*match, edges[start].x, edges[end].x};
            }
        }
    }
    return best;
}

}  // namespace ostrel2::tessoran::capture
