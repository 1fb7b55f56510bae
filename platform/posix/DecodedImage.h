// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Gdiplus {

// Gives a pixel buffer's memory mapping back.
struct PixelMappingRelease {
    void* mapping = nullptr;
    std::size_t length = 0;
    void operator()(std::uint32_t* pixels) const;
};

// The pixels of a decoded image, in memory mapped for them alone. Made
// without writing them: every decoder writes each pixel (or asks for a fill),
// so a first pass over a buffer of up to 1 GiB would only cost time. Large
// buffers ask for huge pages: on a virtual machine each 4 KiB page faulted in
// costs microseconds, more than decoding the pixels on it; buffers from half a
// huge page on take whole huge pages.
class PixelBuffer {
  public:
    PixelBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit PixelBuffer(std::size_t pixelCount);

    std::uint32_t* data() { return values.get(); }
    const std::uint32_t* data() const { return values.get(); }
    std::size_t size() const { return count; }
    std::uint32_t& operator[](std::size_t index) { return values.get()[index]; }
    std::uint32_t operator[](std::size_t index) const { return values.get()[index]; }
    std::uint32_t* begin() { return values.get(); }
    std::uint32_t* end() { return values.get() + count; }
    const std::uint32_t* begin() const { return values.get(); }
    const std::uint32_t* end() const { return values.get() + count; }

  private:
    std::unique_ptr<std::uint32_t, PixelMappingRelease> values;
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
