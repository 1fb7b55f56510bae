// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/CaptureTrace.h"

namespace ostrel2::tessoran::capture {

// The picture with what the capture reader found drawn over it, as opaque
// ARGB pixels row by row: start pattern hits in blue and stop pattern hits
// in magenta (a line from outside edge to inside edge), the sides fitted to
// them in yellow, the ends of the widest bars as cyan crosses, the row
// boundaries in cyan, and each codeword's cell tinted green when read, orange
// when corrected and red when erased. A white border three pixels wide tells
// that the picture was also looked at inverted, a grey band inside it that
// it was also looked at sharpened. The picture is dimmed a little so that
// the drawing stands out.
std::vector<std::uint32_t> drawTrace(const std::uint8_t* firstRow, std::int32_t width,
                                     std::int32_t height, std::ptrdiff_t strideBytes,
                                     const CaptureTrace& trace);

}  // namespace ostrel2::tessoran::capture
