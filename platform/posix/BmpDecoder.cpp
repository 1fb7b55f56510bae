// SPDX-License-Identifier: Apache-2.0
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/posix/BmpHeader.h"
#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelAllocation.h"

namespace ostrel2::tessoran::platform {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t argb(std::uint32_t alpha, std::uint32_t red, std::uint32_t green,
                   std::uint32_t blue) {
    return alpha << 24 | red << 16 | green << 8 | blue;
}

// A channel of any width brought to 8 bits: wider ones keep their top bits,
// narrower ones repeat their bits downwards, so that all ones stays all ones
// (5-bit 31 is 255, 5-bit 16 is 132).
std::uint32_t channelValue(std::uint32_t pixel, const BmpChannel& channel) {
    if (channel.bits == 0) {
        return 0;
    }
    const std::uint32_t field =
        (pixel >> channel.shift) & (channel.bits >= 32 ? ~0u : (1u << channel.bits) - 1);
    if (channel.bits >= 8) {
        return field >> (channel.bits - 8);
    }
    std::uint32_t value = field << (8 - channel.bits);
    for (unsigned filled = channel.bits; filled < 8; filled *= 2) {
        value |= value >> filled;
    }
    return value & 0xFF;
}

using PaletteWords = std::array<std::uint32_t, 256>;

PaletteWords paletteWords(std::span<const unsigned char> file, const BmpLayout& layout) {
    PaletteWords words{};
    for (unsigned i = 0; i < layout.paletteCount; ++i) {
        const unsigned char* entry =
            file.data() + layout.paletteOffset + std::size_t{i} * layout.paletteEntryBytes;
        words[i] = argb(0xFF, entry[2], entry[1], entry[0]);  // blue, green, red
    }
    return words;
}

// One row of palette indices, packed from the high bits down; false at an
// index the palette does not reach.
bool indexedRow(const unsigned char* row, const BmpLayout& layout, const PaletteWords& palette,
                std::uint32_t* out) {
    const unsigned depth = layout.bitsPerPixel;
    const unsigned mask = (1u << depth) - 1;
    for (std::uint32_t x = 0; x < layout.width; ++x) {
        const std::uint64_t bit = std::uint64_t{x} * depth;
        const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & mask;
        if (index >= layout.paletteCount) {
            return false;
        }
        out[x] = palette[index];
    }
    return true;
}

void bgrRow(const unsigned char* row, const BmpLayout& layout, std::uint32_t* out) {
    for (std::uint32_t x = 0; x < layout.width; ++x, row += 3) {
        out[x] = argb(0xFF, row[2], row[1], row[0]);
    }
}

// One row of 16- or 32-bit pixels through the channel masks; ORs each
// pixel's alpha into `alphaSeen`.
void maskedRow(const unsigned char* row, const BmpLayout& layout, std::uint32_t* out,
               std::uint32_t& alphaSeen) {
    const std::size_t bytes = layout.bitsPerPixel / 8;
    const auto& [red, green, blue, alpha] = layout.channels;
    for (std::uint32_t x = 0; x < layout.width; ++x, row += bytes) {
        std::uint32_t pixel = 0;
        for (std::size_t i = bytes; i-- > 0;) {
            pixel = (pixel << 8) | row[i];
        }
        const std::uint32_t a = alpha.bits == 0 ? 0xFF : channelValue(pixel, alpha);
        alphaSeen |= a;
        out[x] = argb(a, channelValue(pixel, red), channelValue(pixel, green),
                      channelValue(pixel, blue));
    }
}

}  // namespace

bool decodeBmp(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image) {
    const std::optional<BmpLayout> found = readBmpLayout(file);
    if (!found.has_value()) {
        return false;
    }
    const BmpLayout& layout = *found;
    // The size is checked against the budget before the pixel data is
    // measured, which keeps that product small.
    if (!fitsDecodeBudget(layout.width, layout.height) || layout.pixelOffset > file.size() ||
        layout.rowBytes * layout.height > file.size() - layout.pixelOffset) {
        return false;  // truncated pixel data
    }
    if (!allocatePixels(image, layout.width, layout.height, budget)) {
        return false;
    }
    const PaletteWords palette = paletteWords(file, layout);
    const std::size_t width = layout.width;
    std::uint32_t alphaSeen = 0;
    for (std::uint32_t stored = 0; stored < layout.height; ++stored) {
        const unsigned char* row = file.data() + layout.pixelOffset + stored * layout.rowBytes;
        const std::uint32_t y = layout.topDown ? stored : layout.height - 1 - stored;
        std::uint32_t* out = image.pixels.data() + y * width;
        switch (layout.bitsPerPixel) {
            case 1:
            case 4:
            case 8:
                if (!indexedRow(row, layout, palette, out)) {
                    return false;
                }
                break;
            case 24:
                bgrRow(row, layout, out);
                break;
            default:
                maskedRow(row, layout, out, alphaSeen);
                break;
        }
    }
    if (layout.alphaUnlessAllZero && alphaSeen == 0) {
        for (std::uint32_t& pixel : image.pixels) {
            pixel |= kOpaque;
        }
    }
    return true;
}

}  // namespace ostrel2::tessoran::platform
