// SPDX-License-Identifier: Apache-2.0
#include "capture/SymbolLines.h"

#include <algorithm>
#include <cmath>

namespace ostrel2::tessoran::capture {

void edgesAlong(const GreyImage& image, const SymbolMap& toImage, double y, double from, double to,
                int perModule, LineScratch& scratch, std::vector<ModuleEdge>& out) {
    out.clear();
    if (!(to > from) || perModule <= 0) {
        return;
    }
    const double step = 1.0 / perModule;
    const auto count = static_cast<std::size_t>((to - from) * perModule) + 1;
    scratch.profile.resize(count);
    const SymbolMap::MappedLine line = toImage.mapLine({from, y}, {step, 0});
    for (std::size_t i = 0; i < count; ++i) {
        const Point p = line.at(static_cast<double>(i));
        scratch.profile[i] = isFinite(p) ? image.sample(p) : 255.0f;
    }
    scratch.finder.find(scratch.profile, scratch.edges);
    out.reserve(scratch.edges.size());
    for (const Edge& edge : scratch.edges) {
        out.push_back({from + static_cast<double>(edge.position) * step, edge.toDark});
    }
}

int samplesPerModule(double modulePixels) {
    if (!std::isfinite(modulePixels)) {
        return 3;
    }
    return std::clamp(static_cast<int>(std::ceil(1.25 * modulePixels)), 3, 8);
}

}  // namespace ostrel2::tessoran::capture
