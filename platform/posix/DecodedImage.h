#pragma once

#include <cstdint>
#include <vector>

namespace Gdiplus {

// What a bitmap handle holds: the decoded pixels as 32-bit ARGB (alpha in the
// top byte, then red, green, blue), row by row from the top.
struct GpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

struct GpBitmap : GpImage {};

}  // namespace Gdiplus
