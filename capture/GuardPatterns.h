// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "capture/Geometry.h"
#include "capture/ProfileEdges.h"

namespace ostrel2::tessoran::capture {

// The start pattern (8 1 1 1 1 1 1 3) runs down the left side of every
// symbol and the stop pattern (7 1 1 3 1 1 1 2 1) down its right side, the
// same in every row: any line that crosses one of them, at whatever angle to
// the rows, sees its element widths in the same proportions.
enum class GuardKind { Start, Stop };

struct GuardHit {
    GuardKind kind = GuardKind::Start;
    // Where the line crosses the pattern's outside edge (the symbol's left or
    // right boundary) and its inside edge.
    Point outer;
    Point inner;
    // A module's width along the line, in pixels.
    double module = 0;
    // The line's direction (unit) and which line it is.
    Point along;
    std::int32_t line = 0;

    // Both ends lie on the line: inward is along it, one way or the other.
    Point inward() const { return dot(inner - outer, along) >= 0 ? along : -1.0 * along; }
    // Where the pattern's widest bar begins, read from the start pattern's
    // side: the start pattern's outside edge, the stop pattern's inside edge.
    // Both are a wide bar's edge against light, the most sharply seen edges of
    // either pattern; the stop pattern's outside edge, behind a bar of one
    // module, is not always seen at all.
    Point barStart() const { return kind == GuardKind::Start ? outer : inner; }
};

// Looks for both patterns, read either way, among the `edges` of a profile of
// `sampleCount` samples taken from `origin` in steps of `step` pixels, and
// appends what it finds. A pattern counts only with light beside its outside
// edge, where the quiet zone around a symbol lies.
void findGuardHits(std::span<const Edge> edges, std::size_t sampleCount, Point origin, Point step,
                   std::int32_t line, std::vector<GuardHit>& hits);

}  // namespace ostrel2::tessoran::capture
