#pragma once

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "pattern/I2DBitPattern.h"
#include "support/Pdf417Encoder.h"

namespace tessoran_test {

// A pixel grid held in memory, seen through I2DBitPattern, for tests of the
// decoder that need no file. Lives on the stack or is owned by the test; it
// counts how often each operation is called.
class MemoryBitPattern final
    : public ostrel2::ComObject<ostrel2::I2DBitPattern, ostrel2::IID_I2DBitPattern> {
  public:
    explicit MemoryBitPattern(PixelGrid grid) : pixels(std::move(grid)) {}

    std::int32_t GetHeight() override { return pixels.height; }
    std::int32_t GetWidth() override { return pixels.width; }
    bool GetPixel(std::int32_t row, std::int32_t column) override {
        ++pixelReads;
        return pixels.at(row, column);
    }

    PixelGrid pixels;
    long pixelReads = 0;
};

}  // namespace tessoran_test
