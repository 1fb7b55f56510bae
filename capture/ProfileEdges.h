// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ostrel2::tessoran::capture {

// Where a grey profile changes between paper and ink, in sample units (the
// position of sample i is i), and which way.
struct Edge {
    float position = 0;
    bool toDark = false;  // light before, dark after: a bar begins
};

// Finds the edges of grey profiles (brightness along a line, 0 black to 255
// white). An element is told apart from noise by a swing between a local
// extreme of brightness and the next: at least a share of the local contrast
// and well above the noise the profile shows. An edge lies where the profile
// crosses the level between paper and ink nearby, held within the swing so
// that a narrow element blurred short of that level keeps its edges. Edges
// alternate in direction. The finder keeps its working space from one
// profile to the next.
class EdgeFinder {
  public:
    // Replaces `edges` with the edges of `profile`.
    void find(std::span<const float> profile, std::vector<Edge>& edges);

  private:
    struct Extreme {
        std::uint32_t index;
        float value;
        bool dark;  // a minimum of brightness
    };

    // The steps of the profile: how many of each size, and each block's range.
    void scanBlocks(std::span<const float> profile);
    // The profile's noise, from the steps of its `count` samples.
    float medianStep(std::size_t count) const;
    // Each block's level range nearby and least swing, for the profile's
    // `noise`.
    void setSwings(float noise);
    // Fills `extremes`; false when the profile never swings a full swing.
    bool findExtremes(std::span<const float> profile);
    // Appends to `edges` an edge between each pair of extremes.
    void placeEdges(std::span<const float> profile, std::vector<Edge>& edges) const;

    // Per block of samples: the darkest and brightest level nearby, and the
    // least swing that counts as an element there.
    std::vector<float> blockLow;
    std::vector<float> blockHigh;
    std::vector<float> low;
    std::vector<float> high;
    std::vector<float> swing;
    std::vector<Extreme> extremes;
    std::array<std::uint32_t, 256> stepCounts{};
};

}  // namespace ostrel2::tessoran::capture
