// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "capture/Geometry.h"
#include "capture/GuardPatterns.h"

namespace ostrel2::tessoran::capture {

// Where the widest bars of one symbol's start (or stop) pattern begin, as seen
// by many lines, lies on one straight line, which stays straight in
// perspective: the symbol's left boundary, or the stop pattern's inside edge
// 18 modules in from its right boundary.
struct GuardLine {
    GuardKind kind = GuardKind::Start;
    Line line;
    // Unit vector across the line into the symbol.
    Point inward;
    // A module's width across the pattern, in pixels.
    double module = 0;
    // How far along `line` the hits lie.
    double first = 0;
    double last = 0;
    std::vector<std::size_t> hits;  // indices into the hits given
};

// Groups the hits of `kind` into lines, best supported first (at most
// `maxLines`, each of at least two hits from different scan lines). A hit
// belongs to a line when its widest bar begins on it, it faces the same side,
// its module width across the line is alike, and it follows the line's other
// hits without a gap wider than scan lines `spacing` pixels apart and a
// symbol's rows explain.
std::vector<GuardLine> fitGuardLines(std::span<const GuardHit> hits, GuardKind kind,
                                     std::size_t maxLines, double spacing);

}  // namespace ostrel2::tessoran::capture
