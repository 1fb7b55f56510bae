// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <span>

#include "capture/CodewordShapes.h"
#include "capture/SymbolLayout.h"

namespace ostrel2::tessoran::capture {

// An edge of a line across a symbol, at `x` modules along the symbol's rows.
struct ModuleEdge {
    double x = 0;
    bool toDark = false;
};

// A codeword read on a line, and where on the line its first bar and the
// next codeword's first bar begin, in modules.
struct CodewordRead {
    CodewordMatch match;
    double start = 0;
    double end = 0;
};

// Reads the codeword whose first bar begins near `nominalStart` (in modules)
// on a line whose edges are `edges`, in order. Its first bar's edge and the
// next codeword's, `width` on (a codeword's modules where the line's scale
// is right), are looked for near where they should be, so that a line whose
// scale or position is a little off still reads; the eight elements between
// them give the distances that identify the codeword, in `cluster` or in any
// cluster. The next codeword's edge may lie `widthSlack` of `width` off, where
// the codeword's scale is less sure than its place.
std::optional<CodewordRead> readCodewordAt(std::span<const ModuleEdge> edges, double nominalStart,
                                           std::optional<std::int32_t> cluster,
                                           const CodewordShapes& shapes,
                                           double width = kCodewordModules, double widthSlack = 0);

// The left row indicator of a line that crosses the start pattern near x = 0,
// read from where the pattern ends and at its scale; the line's own scale may
// be well off there, in a first frame of a symbol seen in strong perspective.
std::optional<CodewordRead> readLeftIndicator(std::span<const ModuleEdge> edges,
                                              const CodewordShapes& shapes);

// The right row indicator of a line that crosses the stop pattern, whose
// first bar begins near `stopStart`: read from where that bar begins and at
// the pattern's scale.
std::optional<CodewordRead> readRightIndicator(std::span<const ModuleEdge> edges, double stopStart,
                                               const CodewordShapes& shapes);

}  // namespace ostrel2::tessoran::capture
