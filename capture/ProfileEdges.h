#pragma once

#include <span>
#include <vector>

namespace ostrel2::tessoran::capture {

// Where a grey profile changes between paper and ink, in sample units (the
// position of sample i is i), and which way.
struct Edge {
    float position = 0;
    bool toDark = false;  // light before, dark after: a bar begins
};

// Finds the edges of a grey profile (brightness along a line, 0 black to
// 255 white). An element is told apart from noise by a swing between a local
// extreme of brightness and the next: at least a share of the local contrast
// and well above the noise the profile shows. An edge lies where the profile
// crosses the level between paper and ink nearby, held within the swing so
// that a narrow element blurred short of that level keeps its edges. Edges
// alternate in direction; `edges` is replaced.
void findEdges(std::span<const float> profile, std::vector<Edge>& edges);

}  // namespace ostrel2::tessoran::capture
