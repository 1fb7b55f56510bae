#include "capture/GuardScan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "capture/ProfileEdges.h"

namespace ostrel2::tessoran::capture {

namespace {

constexpr int kDirections = 8;

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

}  // namespace

std::vector<GuardHit> scanForGuards(const GreyImage& image, double spacing) {
    std::vector<GuardHit> hits;
    if (image.width < 2 || image.height < 2 || !(spacing > 0)) {
        return hits;
    }
    const double w = image.width - 1;
    const double h = image.height - 1;
    std::vector<float> profile;
    std::vector<Edge> edges;
    std::int32_t lineId = 0;
    for (int k = 0; k < kDirections; ++k) {
        const double angle = std::numbers::pi * k / kDirections;
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
            const auto count = static_cast<std::size_t>(std::floor(last - first)) + 1;
            if (count < 20) {
                continue;
            }
            const Point origin = base + first * direction;
            profile.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                const Point p = origin + static_cast<double>(i) * direction;
                const auto x = static_cast<std::int32_t>(std::lround(p.x));
                const auto y = static_cast<std::int32_t>(std::lround(p.y));
                profile[i] =
                    image.at(std::clamp(x, 0, image.width - 1), std::clamp(y, 0, image.height - 1));
            }
            findEdges(profile, edges);
            findGuardHits(edges, count, origin, direction, lineId, hits);
            ++lineId;
        }
    }
    return hits;
}

}  // namespace ostrel2::tessoran::capture
