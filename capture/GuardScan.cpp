// SPDX-License-Identifier: Apache-2.0
#include "capture/GuardScan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "capture/ProfileEdges.h"

namespace ostrel2::tessoran::capture {

namespace {

// The stretch of the line origin + t * direction inside [0, w] x [0, h].
bool clip(Point origin, Point direction, double w, double h, double& first, double& last) {
    first = -1e18;
    last = 1e18;
    const auto slab = [&](double start, double delta, double limit) {
        if (std::abs(delta) < 1e-12) {
            return start >= 0 && start <= limit;
        }
        double a = (0 - start) / delta;
        double b = (limit - start) / delta;
        if (a > b) {
            std::swap(a, b);
        }
        first = std::max(first, a);
        last = std::min(last, b);
        return first <= last;
    };
    return slab(origin.x, direction.x, w) && slab(origin.y, direction.y, h);
}

// A symbol printed without a quiet zone, or cut out of a larger picture,
// reaches the picture's edge: the edge itself is then its quiet zone. Each
// profile is lengthened at both ends by light samples, as many as the quiet
// zone of the widest guard pattern the line could hold needs (a pattern of
// 17 modules asks for 1.5 modules of light).
std::size_t edgeMargin(std::size_t count) {
    constexpr std::size_t kShareOfLine = 10;
    constexpr std::size_t kAtLeast = 2;
    return count / kShareOfLine + kAtLeast;
}

// Fills the `margin` samples at each end of `profile` with the brightest
// level in that end's half: paper where the line leaves the picture, so that
// a bar running into the picture's edge ends there. Half the line holds the
// start pattern's wide bar and light beyond it.
void lightenMargins(std::vector<float>& profile, std::size_t margin) {
    const std::size_t inside = profile.size() - 2 * margin;
    const std::size_t nearby = (inside + 1) / 2;
    const auto first = profile.begin() + static_cast<std::ptrdiff_t>(margin);
    const auto end = first + static_cast<std::ptrdiff_t>(inside);
    const float headLight = *std::max_element(first, first + static_cast<std::ptrdiff_t>(nearby));
    const float tailLight = *std::max_element(end - static_cast<std::ptrdiff_t>(nearby), end);
    std::fill(profile.begin(), first, headLight);
    std::fill(end, profile.end(), tailLight);
}

}  // namespace

std::vector<GuardHit> scanForGuards(const GreyImage& image, double spacing, int directions) {
    std::vector<GuardHit> hits;
    if (image.width < 2 || image.height < 2 || !(spacing > 0)) {
        return hits;
    }
    const double w = image.width - 1;
    const double h = image.height - 1;
    std::vector<float> profile;
    std::vector<Edge> edges;
    EdgeFinder finder;
    std::int32_t lineId = 0;
    for (int k = 0; k < directions; ++k) {
        const double angle = std::numbers::pi * k / directions;
        const Point direction{std::cos(angle), std::sin(angle)};
        const Point normal{-direction.y, direction.x};
        double low = 1e18;
        double high = -1e18;
        for (const Point corner : {Point{0, 0}, Point{w, 0}, Point{0, h}, Point{w, h}}) {
            low = std::min(low, dot(corner, normal));
            high = std::max(high, dot(corner, normal));
        }
        for (double offset = low + spacing / 2; offset <= high; offset += spacing) {
            const Point base = offset * normal;
            double first = 0;
            double last = 0;
            if (!clip(base, direction, w, h, first, last)) {
                continue;
            }
            first = std::ceil(first);
            // Lines too short to hold a pattern are passed over.
            if (!(last - first >= 20)) {
                continue;
            }
            const auto count = static_cast<std::size_t>(last - first) + 1;
            const Point origin = base + first * direction;
            const std::size_t margin = edgeMargin(count);
            profile.resize(count + 2 * margin);
            // The nearest pixel of each point, stepped in fixed point.
            constexpr double kOne = 65536.0;
            std::int64_t x = std::llround((origin.x + 0.5) * kOne);
            std::int64_t y = std::llround((origin.y + 0.5) * kOne);
            const std::int64_t dx = std::llround(direction.x * kOne);
            const std::int64_t dy = std::llround(direction.y * kOne);
            const auto width = static_cast<std::size_t>(image.width);
            const std::int64_t maxX = image.width - 1;
            const std::int64_t maxY = image.height - 1;
            for (std::size_t i = 0; i < count; ++i, x += dx, y += dy) {
                const std::int64_t px = std::clamp<std::int64_t>(x >> 16, 0, maxX);
                const std::int64_t py = std::clamp<std::int64_t>(y >> 16, 0, maxY);
                profile[margin + i] = image.pixels[static_cast<std::size_t>(py) * width +
                                                   static_cast<std::size_t>(px)];
            }
            lightenMargins(profile, margin);
            finder.find(profile, edges);
            findGuardHits(edges, profile.size(), origin - static_cast<double>(margin) * direction,
                          direction, lineId, hits);
            ++lineId;
        }
    }
    return hits;
}

}  // namespace ostrel2::tessoran::capture
