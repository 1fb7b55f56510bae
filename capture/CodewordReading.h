#pragma once

#include <optional>
#include <span>

#include "capture/CodewordShapes.h"

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
// next codeword's, 17 modules on, are looked for near where they should be,
// so that a line whose scale or position is a little off still reads; the
// eight elements between them give the distances that identify the codeword,
// in `cluster` or in any cluster.
std::optional<CodewordRead> readCodewordAt(std::span<const ModuleEdge> edges, double nominalStart,
                                           std::optional<std::int32_t> cluster,
                                           const CodewordShapes& shapes);

}  // namespace ostrel2::tessoran::capture
