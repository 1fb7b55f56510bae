// SPDX-License-Identifier: Apache-2.0
#include "capture/GuardPatterns.h"

#include <array>
#include <cmath>

namespace ostrel2::tessoran::capture {

namespace {

constexpr std::array<int, 8> kStart = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr std::array<int, 9> kStop = {7, 1, 1, 3, 1, 1, 1, 2, 1};
// The stop pattern's last bar is a single module at the symbol's edge, the
// first element that blur and a coarse picture wash out: without it (and the
// space before it, which then runs into the quiet zone) the first seven
// elements remain.
constexpr std::array<int, 7> kStopHead = {7, 1, 1, 3, 1, 1, 1};

// The modules a pattern spans: the sum of its elements' widths.
template <std::size_t N>
constexpr int modulesOf(const std::array<int, N>& widths) {
    int total = 0;
    for (const int width : widths) {
        total += width;
    }
    return total;
}
constexpr int kStartModules = modulesOf(kStart);
constexpr int kStopModules = modulesOf(kStop);
constexpr int kStopHeadModules = modulesOf(kStopHead);

// Tolerances in modules: for the sum of two neighbouring elements, which
// blur hardly changes, and for single elements, which it does.
constexpr float kPairTolerance = 0.8f;
constexpr float kElementTolerance = 0.9f;
constexpr float kElementShareTolerance = 0.2f;
// The light beside a symbol, in modules.
constexpr float kMinQuiet = 1.5f;

// Whether `widths` (in reading order) have the proportions of `reference`;
// on success `module` is the width of one module in samples.
template <std::size_t N>
bool matches(const std::array<float, N>& widths, const std::array<int, N>& reference, int modules,
             float& module) {
    float total = 0;
    for (const float width : widths) {
        total += width;
    }
    module = total / static_cast<float>(modules);
    if (!(module > 0)) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const float read = widths[i] / module;
        const auto expected = static_cast<float>(reference[i]);
        if (std::abs(read - expected) > kElementTolerance + kElementShareTolerance * expected) {
            return false;
        }
        if (i + 1 < N) {
            const float pair = (widths[i] + widths[i + 1]) / module;
            if (std::abs(pair - static_cast<float>(reference[i] + reference[i + 1])) >
                kPairTolerance) {
                return false;
            }
        }
    }
    return true;
}

class ElementView {
  public:
    ElementView(std::span<const Edge> lineEdges, std::size_t samples)
        : edges(lineEdges), sampleCount(samples) {}

    // Whole elements: element j lies between edges j and j + 1.
    std::size_t count() const { return edges.size() < 2 ? 0 : edges.size() - 1; }
    float width(std::size_t j) const { return edges[j + 1].position - edges[j].position; }
    bool dark(std::size_t j) const { return edges[j].toDark; }
    float position(std::size_t edge) const { return edges[edge].position; }
    // The light before element j (or before the first edge) and after element
    // j: a whole element, or what of one the profile shows.
    float before(std::size_t j) const { return j == 0 ? edges[0].position : width(j - 1); }
    float after(std::size_t j) const {
        return j + 1 < count() ? width(j + 1)
                               : static_cast<float>(sampleCount) - edges[j + 1].position;
    }

    template <std::size_t N>
    std::array<float, N> widths(std::size_t first, bool reversed) const {
        std::array<float, N> out{};
        for (std::size_t i = 0; i < N; ++i) {
            out[i] = width(reversed ? first + N - 1 - i : first + i);
        }
        return out;
    }

  private:
    std::span<const Edge> edges;
    std::size_t sampleCount;
};

}  // namespace

void findGuardHits(std::span<const Edge> edges, std::size_t sampleCount, Point origin, Point step,
                   std::int32_t line, std::vector<GuardHit>& hits) {
    const ElementView view(edges, sampleCount);
    const std::size_t count = view.count();
    const double stepLength = length(step);
    if (stepLength <= 0) {
        return;
    }
    const Point along = (1.0 / stepLength) * step;
    const auto pointAt = [&](float position) {
        return origin + static_cast<double>(position) * step;
    };
    const auto add = [&](GuardKind kind, std::size_t outerEdge, std::size_t innerEdge,
                         float module) {
        hits.push_back({kind, pointAt(view.position(outerEdge)), pointAt(view.position(innerEdge)),
                        static_cast<double>(module) * stepLength, along, line});
    };

    // A stop pattern whose last bar is not seen: its outside edge lies 18
    // modules from its inside edge, on the far side of where the head ended.
    const auto addEstimated = [&](std::size_t innerEdge, std::size_t headEnd, float module) {
        const float inner = view.position(innerEdge);
        const float direction = view.position(headEnd) > inner ? 1.0f : -1.0f;
        const float outer = inner + direction * static_cast<float>(kStopModules) * module;
        hits.push_back({GuardKind::Stop, pointAt(outer), pointAt(inner),
                        static_cast<double>(module) * stepLength, along, line});
    };

    for (std::size_t j = 0; j < count; ++j) {
        float module = 0;
        if (j + kStart.size() <= count) {
            const std::size_t last = j + kStart.size() - 1;
            if (view.dark(j) && matches(view.widths<8>(j, false), kStart, kStartModules, module) &&
                view.before(j) >= kMinQuiet * module) {
                add(GuardKind::Start, j, last + 1, module);
            }
            if (!view.dark(j) && matches(view.widths<8>(j, true), kStart, kStartModules, module) &&
                view.after(last) >= kMinQuiet * module) {
                add(GuardKind::Start, last + 1, j, module);
            }
        }
        if (j + kStop.size() <= count && view.dark(j)) {
            const std::size_t last = j + kStop.size() - 1;
            if (matches(view.widths<9>(j, false), kStop, kStopModules, module) &&
                view.after(last) >= kMinQuiet * module) {
                add(GuardKind::Stop, last + 1, j, module);
                continue;
            }
            if (matches(view.widths<9>(j, true), kStop, kStopModules, module) &&
                view.before(j) >= kMinQuiet * module) {
                add(GuardKind::Stop, j, last + 1, module);
                continue;
            }
        }
        // The washed-out stop pattern: its first seven elements, then light
        // for at least the two modules of its last space; its outside edge is
        // where the missing bar would end.
        if (j + kStopHead.size() <= count) {
            const std::size_t last = j + kStopHead.size() - 1;
            if (view.dark(j) &&
                matches(view.widths<7>(j, false), kStopHead, kStopHeadModules, module) &&
                view.after(last) >= 2 * module) {
                addEstimated(j, last + 1, module);
            }
            if (view.dark(last) &&
                matches(view.widths<7>(j, true), kStopHead, kStopHeadModules, module) &&
                view.before(j) >= 2 * module) {
                addEstimated(last + 1, j, module);
            }
        }
    }
}

}  // namespace ostrel2::tessoran::capture
