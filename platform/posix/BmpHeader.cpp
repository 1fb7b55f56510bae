// SPDX-License-Identifier: Apache-2.0
#include "platform/posix/BmpHeader.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace ostrel2::tessoran::platform {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;

// The sizes of the information header that tell its kind.
constexpr std::uint32_t kCoreHeader = 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV2Header = 52;  // with red, green and blue masks
constexpr std::uint32_t kV3Header = 56;  // and an alpha mask
constexpr std::uint32_t kV4Header = 108;
constexpr std::uint32_t kV5Header = 124;
// OS/2 2.x headers run from 16 to 64 bytes: the fields of the information
// header, as many as are there, then fields of their own.
constexpr std::uint32_t kOs2MinHeader = 16;
constexpr std::uint32_t kOs2MaxHeader = 64;

constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

enum class HeaderKind { Core, Windows, Os2 };

std::optional<HeaderKind> headerKind(std::uint32_t size) {
    switch (size) {
        case kCoreHeader:
            return HeaderKind::Core;
        case kInfoHeader:
        case kV2Header:
        case kV3Header:
        case kV4Header:
        case kV5Header:
            return HeaderKind::Windows;
        default:
            if (size >= kOs2MinHeader && size <= kOs2MaxHeader) {
                return HeaderKind::Os2;
            }
            return std::nullopt;
    }
}

// Little-endian fields of the information header; one the header is too
// short to hold reads as 0.
class HeaderFields {
  public:
    HeaderFields(std::span<const unsigned char> file, std::uint32_t size)
        : bytes(file.subspan(kFileHeaderBytes, size)) {}

    std::uint32_t at(std::size_t offset, std::size_t width) const {
        if (offset + width > bytes.size()) {
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = width; i-- > 0;) {
            value = (value << 8) | bytes[offset + i];
        }
        return value;
    }

  private:
    std::span<const unsigned char> bytes;
};

std::uint32_t littleEndian32(std::span<const unsigned char> file, std::size_t offset) {
    return static_cast<std::uint32_t>(file[offset]) |
           static_cast<std::uint32_t>(file[offset + 1]) << 8 |
           static_cast<std::uint32_t>(file[offset + 2]) << 16 |
           static_cast<std::uint32_t>(file[offset + 3]) << 24;
}

// A mask must be one run of set bits within the pixel; an empty one stands
// for a channel the file does not have.
std::optional<BmpChannel> channelOf(std::uint32_t mask, unsigned bitsPerPixel) {
    if (mask == 0) {
        return BmpChannel{};
    }
    if (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0) {
        return std::nullopt;
    }
    const auto shift = static_cast<unsigned>(std::countr_zero(mask));
    const std::uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) {
        return std::nullopt;
    }
    return BmpChannel{shift, static_cast<unsigned>(std::popcount(run))};
}

bool setChannels(BmpLayout& layout, const std::array<std::uint32_t, 4>& masks) {
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const std::optional<BmpChannel> channel = channelOf(masks[i], layout.bitsPerPixel);
        if (!channel.has_value()) {
            return false;
        }
        layout.channels[i] = *channel;
    }
    return true;
}

// What the header says beyond the layout's own fields.
struct HeaderExtras {
    std::uint32_t planes = 0;
    std::uint32_t compression = kUncompressed;
    std::uint32_t coloursUsed = 0;
};

// The picture's size, depth and row order as the header states them; none
// for a size no picture has.
std::optional<HeaderExtras> readSizeAndDepth(const HeaderFields& header, HeaderKind kind,
                                             BmpLayout& layout) {
    HeaderExtras extras;
    if (kind == HeaderKind::Core) {
        layout.width = header.at(4, 2);
        layout.height = header.at(6, 2);
        extras.planes = header.at(8, 2);
        layout.bitsPerPixel = header.at(10, 2);
        layout.paletteEntryBytes = 3;
        return extras;
    }
    const auto width = static_cast<std::int32_t>(header.at(4, 4));
    const auto height = static_cast<std::int32_t>(header.at(8, 4));
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return std::nullopt;
    }
    layout.width = static_cast<std::uint32_t>(width);
    layout.topDown = height < 0;
    layout.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
    extras.planes = header.at(12, 2);
    layout.bitsPerPixel = header.at(14, 2);
    extras.compression = header.at(16, 4);
    extras.coloursUsed = header.at(32, 4);
    return extras;
}

// The channels of a 16- or 32-bit picture: the masks a plain header implies,
// or those the file states, which follow a plain information header (then
// `headersEnd` moves past them) and lie inside later Windows headers.
// Run-length compression, and OS/2's Huffman and 24-bit runs (which share
// numbers with the masks), are not read: false, as for masks that are no
// channels.
bool readChannels(std::span<const unsigned char> file, const HeaderFields& header, HeaderKind kind,
                  std::uint32_t headerSize, std::uint32_t compression, BmpLayout& layout,
                  std::size_t& headersEnd) {
    const unsigned depth = layout.bitsPerPixel;
    const bool masked = depth == 16 || depth == 32;
    if (compression == kUncompressed) {
        if (depth == 16) {
            setChannels(layout, {0x7C00u, 0x03E0u, 0x001Fu, 0});
        } else if (depth == 32) {
            setChannels(layout, {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u});
            layout.alphaUnlessAllZero = true;
        }
        return true;
    }
    if ((compression != kBitFields && compression != kAlphaBitFields) ||
        kind != HeaderKind::Windows || !masked) {
        return false;
    }
    std::array<std::uint32_t, 4> masks{};
    const std::size_t maskCount = compression == kAlphaBitFields ? 4 : 3;
    if (headerSize == kInfoHeader) {
        if (file.size() < headersEnd + 4 * maskCount) {
            return false;
        }
        for (std::size_t i = 0; i < maskCount; ++i) {
            masks[i] = littleEndian32(file, headersEnd + 4 * i);
        }
        headersEnd += 4 * maskCount;
    } else {
        for (std::size_t i = 0; i < 4; ++i) {
            masks[i] = header.at(40 + 4 * i, 4);
        }
    }
    return setChannels(layout, masks);
}

// The palette of an indexed picture lies between the headers and the pixels;
// the colours used say how many entries it has, 0 standing for all the depth
// allows. False when it has none.
bool placePalette(BmpLayout& layout, std::size_t headersEnd, std::uint32_t coloursUsed) {
    const std::uint64_t depthEntries = std::uint64_t{1} << layout.bitsPerPixel;
    const std::uint64_t stated = coloursUsed == 0 ? depthEntries : coloursUsed;
    const std::uint64_t room = (layout.pixelOffset - headersEnd) / layout.paletteEntryBytes;
    layout.paletteOffset = headersEnd;
    layout.paletteCount = static_cast<unsigned>(std::min({stated, depthEntries, room}));
    return layout.paletteCount != 0;
}

}  // namespace

std::optional<BmpLayout> readBmpLayout(std::span<const unsigned char> file) {
    if (file.size() < kFileHeaderBytes + 4) {
        return std::nullopt;
    }
    const std::uint32_t headerSize = littleEndian32(file, kFileHeaderBytes);
    const std::optional<HeaderKind> kind = headerKind(headerSize);
    if (!kind.has_value() || file.size() - kFileHeaderBytes < headerSize) {
        return std::nullopt;
    }
    const HeaderFields header(file, headerSize);
    BmpLayout layout;
    const std::optional<HeaderExtras> extras = readSizeAndDepth(header, *kind, layout);
    if (!extras || layout.width == 0 || layout.height == 0 || extras->planes != 1) {
        return std::nullopt;
    }
    const unsigned depth = layout.bitsPerPixel;
    const bool indexed = depth == 1 || depth == 4 || depth == 8;
    const bool masked = depth == 16 || depth == 32;
    if ((!indexed && !masked && depth != 24) || (*kind == HeaderKind::Core && masked)) {
        return std::nullopt;
    }
    std::size_t headersEnd = kFileHeaderBytes + headerSize;
    if (!readChannels(file, header, *kind, headerSize, extras->compression, layout, headersEnd)) {
        return std::nullopt;
    }
    layout.pixelOffset = littleEndian32(file, 10);
    if (layout.pixelOffset < headersEnd ||
        (indexed && !placePalette(layout, headersEnd, extras->coloursUsed))) {
        return std::nullopt;
    }
    layout.rowBytes = (std::uint64_t{layout.width} * depth + 31) / 32 * 4;
    return layout;
}

}  // namespace ostrel2::tessoran::platform
