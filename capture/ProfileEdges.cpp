// SPDX-License-Identifier: Apache-2.0
#include "capture/ProfileEdges.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ostrel2::tessoran::capture {

namespace {

// Samples per block of the local contrast, and blocks each side that count.
constexpr std::size_t kBlockShift = 5;
constexpr std::size_t kBlock = std::size_t{1} << kBlockShift;
constexpr std::size_t kBlocksAround = 4;
// A swing must be at least this share of the local contrast ...
constexpr float kContrastShare = 0.07f;
// ... this many times the profile's noise ...
constexpr float kNoiseFactor = 3.5f;
// ... and never below this many grey levels.
constexpr float kMinSwing = 8.0f;
// The edge level stays this share of a swing away from its ends.
constexpr float kLevelMargin = 0.25f;
// A profile of fewer samples cannot hold two edges, so not one whole
// element.
constexpr std::size_t kMinSamples = 3;

// Until the first full swing, the running darkest and brightest samples are
// both candidates for the first extreme: where that swing completes (the
// profile's size when it never does), and the two candidates then.
struct FirstSwing {
    std::size_t end;
    std::size_t darkest;
    std::size_t brightest;
};

FirstSwing firstSwing(std::span<const float> profile, std::span<const float> swing) {
    const std::size_t count = profile.size();
    std::size_t i = 1;
    std::size_t darkest = 0;
    std::size_t brightest = 0;
    for (; i < count; ++i) {
        if (profile[i] < profile[darkest]) {
            darkest = i;
        }
        if (profile[i] > profile[brightest]) {
            brightest = i;
        }
        if (profile[brightest] - profile[darkest] >= swing[i >> kBlockShift]) {
            break;
        }
    }
    return {i, darkest, brightest};
}

}  // namespace

void EdgeFinder::find(std::span<const float> profile, std::vector<Edge>& edges) {
    edges.clear();
    if (profile.size() < kMinSamples) {
        return;
    }
    scanBlocks(profile);
    setSwings(medianStep(profile.size()));
    if (!findExtremes(profile)) {
        return;
    }
    placeEdges(profile, edges);
}

// One pass for the steps between neighbours and each block's range.
void EdgeFinder::scanBlocks(std::span<const float> profile) {
    const std::size_t count = profile.size();
    const std::size_t blocks = (count + kBlock - 1) >> kBlockShift;
    blockLow.resize(blocks);
    blockHigh.resize(blocks);
    stepCounts.fill(0);
    float previous = profile[0];
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t end = std::min(count, (block + 1) << kBlockShift);
        float lo = previous;
        float hi = previous;
        for (std::size_t i = std::max<std::size_t>(1, block << kBlockShift); i < end; ++i) {
            const float value = profile[i];
            const auto step = static_cast<std::uint32_t>(std::abs(value - previous));
            ++stepCounts[std::min<std::uint32_t>(step, 255)];
            lo = std::min(lo, value);
            hi = std::max(hi, value);
            previous = value;
        }
        blockLow[block] = lo;
        blockHigh[block] = hi;
    }
}

// The noise is the median step, counted in whole grey levels: edges are a
// minority of steps and hardly move it, and for Gaussian noise it is about
// 0.95 sigma.
float EdgeFinder::medianStep(std::size_t count) const {
    float noise = 255;
    for (std::size_t step = 0, seen = 0; step < stepCounts.size(); ++step) {
        seen += stepCounts[step];
        if (seen > (count - 1) / 2) {
            noise = static_cast<float>(step) + 0.5f;
            break;
        }
    }
    return noise;
}

void EdgeFinder::setSwings(float noise) {
    const float noiseSwing = kNoiseFactor * noise;
    const std::size_t blocks = blockLow.size();
    low.resize(blocks);
    high.resize(blocks);
    swing.resize(blocks);
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t first = block >= kBlocksAround ? block - kBlocksAround : 0;
        const std::size_t last = std::min(blocks - 1, block + kBlocksAround);
        float lo = 255.0f;
        float hi = 0.0f;
        for (std::size_t b = first; b <= last; ++b) {
            lo = std::min(lo, blockLow[b]);
            hi = std::max(hi, blockHigh[b]);
        }
        low[block] = lo;
        high[block] = hi;
        swing[block] = std::max({kMinSwing, noiseSwing, kContrastShare * (hi - lo)});
    }
}

// Alternating extremes: a candidate is kept once the profile has moved away
// from it by a full swing.
bool EdgeFinder::findExtremes(std::span<const float> profile) {
    extremes.clear();
    const std::size_t count = profile.size();
    const FirstSwing start = firstSwing(profile, swing);
    std::size_t i = start.end;
    if (i >= count) {
        return false;
    }
    const bool darkFirst = start.darkest < start.brightest;
    const std::size_t first = darkFirst ? start.darkest : start.brightest;
    extremes.push_back({static_cast<std::uint32_t>(first), profile[first], darkFirst});
    bool seekingDark = !darkFirst;
    std::size_t candidate = darkFirst ? start.brightest : start.darkest;
    float candidateValue = profile[candidate];
    for (++i; i < count; ++i) {
        const float value = profile[i];
        if (seekingDark) {
            if (value <= candidateValue) {
                candidate = i;
                candidateValue = value;
            } else if (value - candidateValue >= swing[i >> kBlockShift]) {
                extremes.push_back({static_cast<std::uint32_t>(candidate), candidateValue, true});
                seekingDark = false;
                candidate = i;
                candidateValue = value;
            }
        } else if (value >= candidateValue) {
            candidate = i;
            candidateValue = value;
        } else if (candidateValue - value >= swing[i >> kBlockShift]) {
            extremes.push_back({static_cast<std::uint32_t>(candidate), candidateValue, false});
            seekingDark = true;
            candidate = i;
            candidateValue = value;
        }
    }
    // The last extreme counts once the profile has swung far enough to it.
    if (std::abs(candidateValue - extremes.back().value) >= swing[candidate >> kBlockShift]) {
        extremes.push_back({static_cast<std::uint32_t>(candidate), candidateValue, seekingDark});
    }
    return true;
}

// An edge between each pair of neighbouring extremes, where the profile
// first crosses the level on the way from one to the other.
void EdgeFinder::placeEdges(std::span<const float> profile, std::vector<Edge>& edges) const {
    edges.reserve(extremes.size());
    for (std::size_t k = 1; k < extremes.size(); ++k) {
        const Extreme& from = extremes[k - 1];
        const Extreme& to = extremes[k];
        const std::size_t block = ((from.index + to.index) / 2) >> kBlockShift;
        const float lo = std::min(from.value, to.value);
        const float hi = std::max(from.value, to.value);
        const float margin = kLevelMargin * (hi - lo);
        const float level = std::clamp(0.5f * (low[block] + high[block]), lo + margin, hi - margin);
        float position = static_cast<float>(to.index);
        for (std::size_t s = from.index; s < to.index; ++s) {
            const float a = profile[s] - level;
            const float b = profile[s + 1] - level;
            if ((a > 0) != (b > 0) || b == 0) {
                position = static_cast<float>(s) + (a == b ? 0.0f : a / (a - b));
                break;
            }
        }
        edges.push_back({position, to.dark});
    }
}

}  // namespace ostrel2::tessoran::capture
