// SPDX-License-Identifier: Apache-2.0
#include "capture/CodewordShapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "symbol/CodewordPatternTable.h"

namespace ostrel2::tessoran::capture {

namespace {

// Accepted: within this sum of squared deviations (a little over one module
// of doubt spread over the six distances) ...
constexpr float kMaxDistance = 1.2f;
// ... and this much nearer than any other codeword.
constexpr float kMinMargin = 0.3f;
// Every distance within this of a whole number of modules: no other
// codeword can be as near (any other differs by a module in some distance).
constexpr float kCertainResidual = 0.35f;

// Each distance is 2 to 11 modules: four bits each.
std::uint32_t keyOf(const std::array<std::int8_t, 6>& distances) {
    std::uint32_t key = 0;
    for (const std::int8_t distance : distances) {
        key = key << 4 | static_cast<std::uint32_t>(distance);
    }
    return key;
}

}  // namespace

CodewordShapes::CodewordShapes()
    : CodewordShapes([]() -> const CodewordShapes& {
          static const CodewordShapes built{Build{}};
          return built;
      }()) {}

CodewordShapes::CodewordShapes(Build) {
    for (std::size_t cluster = 0; cluster < 3; ++cluster) {
        std::vector<Shape> list;
        list.reserve(kCodewordValueCount);
        for (int value = 0; value < kCodewordValueCount; ++value) {
            const std::uint32_t packed =
                codewordElementWidths[cluster][static_cast<std::size_t>(value)];
            Shape shape{};
            for (int i = 0; i < 6; ++i) {
                shape.distances[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(
                    codewordElementWidth(packed, i) + codewordElementWidth(packed, i + 1));
            }
            shape.value = static_cast<std::int16_t>(value);
            list.push_back(shape);
        }
        std::sort(list.begin(), list.end(), [](const Shape& a, const Shape& b) {
            return keyOf(a.distances) < keyOf(b.distances);
        });
        keys[cluster].reserve(list.size());
        for (const Shape& shape : list) {
            keys[cluster].push_back(keyOf(shape.distances));
        }
        for (std::size_t t = 0; t < firstOfDistance[cluster].size(); ++t) {
            firstOfDistance[cluster][t] = static_cast<std::size_t>(
                std::find_if(list.begin(), list.end(),
                             [&](const Shape& shape) {
                                 return static_cast<std::size_t>(shape.distances[0]) >= t;
                             }) -
                list.begin());
        }
        shapes[cluster] = std::move(list);
    }
}

std::optional<CodewordMatch> CodewordShapes::identify(const EdgeDistances& read,
                                                      std::optional<std::int32_t> cluster) const {
    if (cluster && (*cluster < 0 || *cluster > 2)) {
        return std::nullopt;
    }
    for (const float distance : read) {
        if (!std::isfinite(distance)) {
            return std::nullopt;
        }
    }
    std::optional<CodewordMatch> match = lookUp(read);
    if (!match) {
        match = nearest(read);
    }
    if (match && cluster && match->cluster != *cluster) {
        return std::nullopt;
    }
    return match;
}

std::optional<CodewordMatch> CodewordShapes::lookUp(const EdgeDistances& read) const {
    std::array<std::int8_t, 6> rounded{};
    float worstResidual = 0;
    float squares = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        const float nearest = std::round(read[i]);
        if (!(nearest >= 2 && nearest <= 11)) {
            return std::nullopt;
        }
        rounded[i] = static_cast<std::int8_t>(nearest);
        const float residual = std::abs(read[i] - nearest);
        worstResidual = std::max(worstResidual, residual);
        squares += residual * residual;
    }
    if (worstResidual > kCertainResidual) {
        return std::nullopt;
    }
    // The distances tell the cluster, so at most one cluster holds them.
    const std::uint32_t key = keyOf(rounded);
    for (std::int32_t c = 0; c < 3; ++c) {
        const auto& clusterKeys = keys[static_cast<std::size_t>(c)];
        const auto at = std::lower_bound(clusterKeys.begin(), clusterKeys.end(), key);
        if (at != clusterKeys.end() && *at == key) {
            const auto index = static_cast<std::size_t>(at - clusterKeys.begin());
            return CodewordMatch{c, shapes[static_cast<std::size_t>(c)][index].value, squares,
                                 squares + 1 - 2 * worstResidual};
        }
    }
    return std::nullopt;
}

std::optional<CodewordMatch> CodewordShapes::nearest(const EdgeDistances& read) const {
    // A codeword whose first distance lies further off than this cannot be
    // the nearest, nor near enough to the nearest to matter.
    const float reach = std::sqrt(kMaxDistance + kMinMargin);
    const auto firstDistance = [&](float t) {
        return static_cast<std::size_t>(std::clamp(t, 0.0f, 12.0f));
    };
    const std::size_t lowest = firstDistance(std::ceil(read[0] - reach));
    const std::size_t highest = firstDistance(std::floor(read[0] + reach) + 1);
    CodewordMatch best{0, 0, std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    for (std::int32_t c = 0; c < 3; ++c) {
        const auto& list = shapes[static_cast<std::size_t>(c)];
        const auto& first = firstOfDistance[static_cast<std::size_t>(c)];
        const auto begin = list.begin() + static_cast<std::ptrdiff_t>(first[lowest]);
        const auto end = list.begin() + static_cast<std::ptrdiff_t>(first[highest]);
        for (auto shapeIt = begin; shapeIt != end; ++shapeIt) {
            float sum = 0;
            for (std::size_t i = 0; i < 6; ++i) {
                const float d = read[i] - static_cast<float>(shapeIt->distances[i]);
                sum += d * d;
            }
            if (sum < best.distance) {
                best.runnerUp = best.distance;
                best.distance = sum;
                best.cluster = c;
                best.value = shapeIt->value;
            } else if (sum < best.runnerUp) {
                best.runnerUp = sum;
            }
        }
    }
    if (best.distance > kMaxDistance || best.runnerUp - best.distance < kMinMargin) {
        return std::nullopt;
    }
    return best;
}

}  // namespace ostrel2::tessoran::capture
