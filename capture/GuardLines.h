#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "capture/Geometry.h"
#include "capture/GuardPatterns.h"

namespace ostrel2::tessoran::capture {

// The outside edges of one symbol's start (or stop) pattern, as seen by many
// lines, lie on one straight line: the symbol's left (or right) boundary,
// which stays straight in perspective.
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
// belongs to a line when its outside edge lies on it, it faces the same side
// and its module width across the line is alike.
std::vector<GuardLine> fitGuardLines(std::span<const GuardHit> hits, GuardKind kind,
                                     std::size_t maxLines);

}  // namespace ostrel2::tessoran::capture
