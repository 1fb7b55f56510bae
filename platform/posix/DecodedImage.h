#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Gdiplus {

// The pixels of a decoded image. Made without writing them: every decoder
// writes each pixel (or asks for a fill), so a first pass over a buffer of
// up to 1 GiB would only cost time.
class PixelBuffer {
  public:
    PixelBuffer() = default;
    explicit PixelBuffer(std::size_t pixelCount)
        : values(std::make_unique_for_overwrite<std::uint32_t[]>(pixelCount)), count(pixelCount) {}

    std::uint32_t* data() { return values.get(); }
    const std::uint32_t* data() const { return values.get(); }
    std::size_t size() const { return count; }
    std::uint32_t& operator[](std::size_t index) { return values[index]; }
    std::uint32_t operator[](std::size_t index) const { return values[index]; }
    std::uint32_t* begin() { return values.get(); }
    std::uint32_t* end() { return values.get() + count; }
    const std::uint32_t* begin() const { return values.get(); }
    const std::uint32_t* end() const { return values.get() + count; }

  private:
    std::unique_ptr<std::uint32_t[]> values;
    std::size_t count = 0;
};

// What a bitmap handle holds: the decoded pixels as 32-bit ARGB (alpha in the
// top byte, then red, green, blue), row by row from the top.
struct GpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    PixelBuffer pixels;
};

struct GpBitmap : GpImage {};

}  // namespace Gdiplus
