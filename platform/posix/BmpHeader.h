// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ostrel2::tessoran::platform {

// Where one colour channel lies in a pixel of 16 or 32 bits.
struct BmpChannel {
    unsigned shift = 0;  // of the lowest bit of the mask
    unsigned bits = 0;   // 0: the mask is empty
};

// How a BMP file lays out its pixels, as its headers state it, checked for
// sense: a known header kind, a positive width, a height other than 0 (below
// 0 for rows stored from the top), one plane, a supported depth and
// compression, contiguous masks within the pixel, and pixel data after the
// headers.
struct BmpLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    // 16 and 32 bits: red, green, blue, alpha. An empty alpha mask means
    // opaque.
    std::array<BmpChannel, 4> channels{};
    // 32 bits without masks: the fourth byte is alpha, unless it is 0 in
    // every pixel (writers that do not use it leave it 0).
    bool alphaUnlessAllZero = false;
    // 1, 4 and 8 bits: the palette's place, the size of an entry (3 bytes in
    // the oldest header, else 4) and the entries that are there. An index at
    // or beyond `paletteCount` is no colour at all.
    std::size_t paletteOffset = 0;
    unsigned paletteEntryBytes = 4;
    unsigned paletteCount = 0;
    std::uint64_t pixelOffset = 0;
    // Each row is padded to whole 32-bit words.
    std::uint64_t rowBytes = 0;
};

// The layout of the BMP `file` (which starts with "BM"); nothing for headers
// that are cut short, make no sense, or ask for run-length compression.
std::optional<BmpLayout> readBmpLayout(std::span<const unsigned char> file);

}  // namespace ostrel2::tessoran::platform
