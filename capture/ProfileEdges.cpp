#include "capture/ProfileEdges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace ostrel2::tessoran::capture {

namespace {

// Samples per block of the local contrast, and blocks each side that count.
constexpr std::size_t kBlock = 32;
constexpr std::size_t kBlocksAround = 4;
// A swing must be at least this share of the local contrast ...
constexpr float kContrastShare = 0.14f;
// ... this many times the profile's noise ...
constexpr float kNoiseFactor = 3.5f;
// ... and never below this many grey levels.
constexpr float kMinSwing = 8.0f;
// The edge level stays this share of a swing away from its ends.
constexpr float kLevelMargin = 0.25f;

// The typical step between neighbouring samples where nothing happens: the
// median of the absolute steps, which edges (a minority of steps) hardly
// move. Counted in whole grey levels, which is all the precision it needs.
float noiseOf(std::span<const float> profile) {
    if (profile.size() < 3) {
        return 0;
    }
    std::array<std::uint32_t, 256> counts{};
    for (std::size_t i = 1; i < profile.size(); ++i) {
        const auto step = static_cast<std::size_t>(std::abs(profile[i] - profile[i - 1]));
        ++counts[std::min<std::size_t>(step, 255)];
    }
    const std::size_t half = (profile.size() - 1) / 2;
    std::size_t seen = 0;
    for (std::size_t step = 0; step < counts.size(); ++step) {
        seen += counts[step];
        if (seen > half) {
            // For Gaussian noise the median step is about 0.95 sigma; the
            // middle of the whole level counted stands for the level.
            return static_cast<float>(step) + 0.5f;
        }
    }
    return 255;
}

struct LocalRange {
    std::vector<float> low;
    std::vector<float> high;
    // The least swing that counts as an element, per block.
    std::vector<float> swing;
};

// The darkest and brightest level of each block's neighbourhood.
LocalRange localRanges(std::span<const float> profile) {
    const std::size_t blocks = (profile.size() + kBlock - 1) / kBlock;
    std::vector<float> blockLow(blocks, 255.0f);
    std::vector<float> blockHigh(blocks, 0.0f);
    for (std::size_t i = 0; i < profile.size(); ++i) {
        const std::size_t block = i / kBlock;
        blockLow[block] = std::min(blockLow[block], profile[i]);
        blockHigh[block] = std::max(blockHigh[block], profile[i]);
    }
    LocalRange range{std::vector<float>(blocks), std::vector<float>(blocks), {}};
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t first = block >= kBlocksAround ? block - kBlocksAround : 0;
        const std::size_t last = std::min(blocks - 1, block + kBlocksAround);
        range.low[block] =
            *std::min_element(blockLow.begin() + static_cast<std::ptrdiff_t>(first),
                              blockLow.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        range.high[block] =
            *std::max_element(blockHigh.begin() + static_cast<std::ptrdiff_t>(first),
                              blockHigh.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    }
    return range;
}

struct Extreme {
    std::size_t index;
    float value;
    bool dark;  // a minimum of brightness
};

}  // namespace

void findEdges(std::span<const float> profile, std::vector<Edge>& edges) {
    edges.clear();
    if (profile.size() < 3) {
        return;
    }
    const float noiseSwing = kNoiseFactor * noiseOf(profile);
    LocalRange range = localRanges(profile);
    range.swing.resize(range.low.size());
    for (std::size_t block = 0; block < range.swing.size(); ++block) {
        range.swing[block] = std::max(
            {kMinSwing, noiseSwing, kContrastShare * (range.high[block] - range.low[block])});
    }
    const auto swingAt = [&](std::size_t i) { return range.swing[i / kBlock]; };

    // Alternating extremes: a candidate is kept once the profile has moved
    // away from it by a full swing.
    std::vector<Extreme> extremes;
    std::size_t candidate = 0;
    bool seekingDark = false;
    bool decided = false;
    std::size_t low = 0;
    std::size_t high = 0;
    for (std::size_t i = 1; i < profile.size(); ++i) {
        const float value = profile[i];
        if (!decided) {
            if (value < profile[low]) {
                low = i;
            }
            if (value > profile[high]) {
                high = i;
            }
            if (profile[high] - profile[low] >= swingAt(i)) {
                decided = true;
                // The extreme reached first is the first one kept.
                const bool darkFirst = low < high;
                const std::size_t first = darkFirst ? low : high;
                extremes.push_back({first, profile[first], darkFirst});
                seekingDark = !darkFirst;
                candidate = darkFirst ? high : low;
            }
            continue;
        }
        if (seekingDark) {
            if (value <= profile[candidate]) {
                candidate = i;
            } else if (value - profile[candidate] >= swingAt(i)) {
                extremes.push_back({candidate, profile[candidate], true});
                seekingDark = false;
                candidate = i;
            }
        } else {
            if (value >= profile[candidate]) {
                candidate = i;
            } else if (profile[candidate] - value >= swingAt(i)) {
                extremes.push_back({candidate, profile[candidate], false});
                seekingDark = true;
                candidate = i;
            }
        }
    }

    // The last extreme counts once the profile has swung far enough to it.
    if (decided && std::abs(profile[candidate] - extremes.back().value) >= swingAt(candidate)) {
        extremes.push_back({candidate, profile[candidate], seekingDark});
    }

    // An edge between each pair of neighbouring extremes.
    for (std::size_t k = 1; k < extremes.size(); ++k) {
        const Extreme& from = extremes[k - 1];
        const Extreme& to = extremes[k];
        const std::size_t block = (from.index + to.index) / 2 / kBlock;
        const float lo = std::min(from.value, to.value);
        const float hi = std::max(from.value, to.value);
        const float margin = kLevelMargin * (hi - lo);
        const float level =
            std::clamp(0.5f * (range.low[block] + range.high[block]), lo + margin, hi - margin);
        // The first crossing of the level on the way from one extreme to the other.
        float position = static_cast<float>(to.index);
        for (std::size_t i = from.index; i < to.index; ++i) {
            const float a = profile[i] - level;
            const float b = profile[i + 1] - level;
            if ((a > 0) != (b > 0) || b == 0) {
                position = static_cast<float>(i) + (a == b ? 0.0f : a / (a - b));
                break;
            }
        }
        edges.push_back({position, to.dark});
    }
}

}  // namespace ostrel2::tessoran::capture
