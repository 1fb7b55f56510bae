#pragma once

#include <cstdint>

#include "objects/IObjectBase.h"

namespace ostrel2 {

// A grid of dark (1) and light (0) pixels, addressed row first (0 at the top),
// then column (0 at the left). Callers keep 0 <= row < height and
// 0 <= column < width.
struct I2DBitPattern : IObjectBase {
    virtual std::int32_t GetHeight() = 0;
    virtual std::int32_t GetWidth() = 0;
    virtual bool GetPixel(std::int32_t row, std::int32_t column) = 0;

protected:
    ~I2DBitPattern() = default;
};

}  // namespace ostrel2
