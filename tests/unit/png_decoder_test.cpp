#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::platform::DecodeBudget;
using ostrel2::tessoran::platform::decodePng;

void appendBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::string chunk(const char* type, const std::string& data) {
    std::string out;
    appendPngChunk(out, type, data);
    return out;
}

// A PNG built sample by sample: samples[row][column] holds one pixel's
// channels (one for grey or a palette index), each `bitDepth` bits.
struct PngSketch {
    int bitDepth = 8;
    int colourType = 0;
    bool interlaced = false;
    std::vector<std::vector<std::vector<std::uint32_t>>> samples;
    std::string chunksBeforePixels;  // PLTE, tRNS, gAMA ... complete chunks
    std::string dataAfterRows;       // compressed along after the last row
};

// Packs the pixels at `columns` of one row into a filter-0 scan line.
std::string scanLine(const PngSketch& sketch, int row, const std::vector<int>& columns) {
    std::string line(1, '\0');
    unsigned bits = 0;
    int bitCount = 0;
    for (const int column : columns) {
        for (const std::uint32_t sample : sketch.samples[row][column]) {
            if (sketch.bitDepth >= 8) {
                appendBigEndian(line, sample, sketch.bitDepth / 8);
                continue;
            }
            bits = bits << sketch.bitDepth | sample;
            bitCount += sketch.bitDepth;
            if (bitCount == 8) {
                line.push_back(static_cast<char>(bits));
                bits = 0;
                bitCount = 0;
            }
        }
    }
    if (bitCount > 0) {
        line.push_back(static_cast<char>(bits << (8 - bitCount)));
    }
    return line;
}

// The whole file; with `interlaced`, the scan lines of the seven passes.
std::string pngBytes(const PngSketch& sketch, bool withEnd = true) {
    const int height = static_cast<int>(sketch.samples.size());
    const int width = static_cast<int>(sketch.samples[0].size());
    struct Pass {
        int left, top, dx, dy;
    };
    const std::vector<Pass> passes =
        sketch.interlaced
            ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
            : std::vector<Pass>{{0, 0, 1, 1}};
    std::string raw;
    for (const Pass& pass : passes) {
        std::vector<int> columns;
        for (int column = pass.left; column < width; column += pass.dx) {
            columns.push_back(column);
        }
        for (int row = pass.top; row < height && !columns.empty(); row += pass.dy) {
            raw += scanLine(sketch, row, columns);
        }
    }
    raw += sketch.dataAfterRows;
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);

    std::string header;
    appendBigEndian(header, static_cast<std::uint32_t>(width), 4);
    appendBigEndian(header, static_cast<std::uint32_t>(height), 4);
    header += {static_cast<char>(sketch.bitDepth), static_cast<char>(sketch.colourType), 0, 0,
               static_cast<char>(sketch.interlaced ? 1 : 0)};
    std::string file = "\x89PNG\r\n\x1A\n" + chunk("IHDR", header) + sketch.chunksBeforePixels +
                       chunk("IDAT", packed);
    if (withEnd) {
        file += chunk("IEND", "");
    }
    return file;
}

std::string gammaChunk(std::uint32_t gammaTimes100000) {
    std::string data;
    appendBigEndian(data, gammaTimes100000, 4);
    return chunk("gAMA", data);
}

// Decodes the PNG file `bytes` into `image`; fails the test if anything is
// printed on either stream.
bool decodeQuietly(const std::string& bytes, Gdiplus::GpImage& image) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    DecodeBudget budget;
    const bool ok =
        decodePng(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                  budget, image);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    return ok;
}

// Decodes `bytes` and hands back the pixels; fails the test if the decode
// fails or the size is not width x height.
std::vector<std::uint32_t> decoded(const std::string& bytes, int width, int height) {
    Gdiplus::GpImage image;
    const bool ok = decodeQuietly(bytes, image);
    EXPECT_TRUE(ok);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    return ok ? std::vector<std::uint32_t>(image.pixels.begin(), image.pixels.end())
              : std::vector<std::uint32_t>{};
}

std::uint32_t argb(std::uint32_t alpha, std::uint32_t red, std::uint32_t green,
                   std::uint32_t blue) {
    return alpha << 24 | red << 16 | green << 8 | blue;
}

// Palette of distinct colours; entry i is (i, 255 - i, 3 i mod 256).
std::string paletteChunk(int entries) {
    std::string data;
    for (int i = 0; i < entries; ++i) {
        data += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 3)};
    }
    return chunk("PLTE", data);
}

TEST(PngDecoder, PackedPaletteIndicesOfEveryDepthAndRowEnding) {
    for (const int depth : {1, 2, 4, 8}) {
        // Widths that end a row on a byte boundary and inside a byte.
        for (const int width : {1, 7, 8, 9, 17, 33}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " width " + std::to_string(width));
            const int colours = 1 << depth;
            // The palette is one entry short of the depth's range (except
            // for one bit), the transparency chunk covers only its first
            // two entries, alpha 0x40 and 0x00.
            const int paletteSize = depth == 1 ? 2 : colours - 1;
            PngSketch sketch;
            sketch.bitDepth = depth;
            sketch.colourType = 3;
            sketch.chunksBeforePixels =
                paletteChunk(paletteSize) + chunk("tRNS", std::string("\x40\x00", 2));
            const int height = 3;
            std::vector<std::uint32_t> expected;
            for (int row = 0; row < height; ++row) {
                sketch.samples.emplace_back();
                for (int column = 0; column < width; ++column) {
                    const auto index = static_cast<std::uint32_t>((row * 5 + column * 3) % colours);
                    sketch.samples.back().push_back({index});
                    const std::uint32_t alpha = index == 0 ? 0x40 : index == 1 ? 0x00 : 0xFF;
                    // An index beyond the palette reads as opaque black.
                    expected.push_back(index >= static_cast<std::uint32_t>(paletteSize)
                                           ? argb(0xFF, 0, 0, 0)
                                           : argb(alpha, index, 255 - index, (index * 3) & 0xFF));
                }
            }
            EXPECT_EQ(decoded(pngBytes(sketch), width, height), expected);
        }
    }
}

TEST(PngDecoder, LowDepthGreyIsSpreadOverTheEightBitRange) {
    for (const int depth : {1, 2, 4}) {
        SCOPED_TRACE(depth);
        const std::uint32_t top = (1u << depth) - 1;
        PngSketch sketch;
        sketch.bitDepth = depth;
        sketch.colourType = 0;
        std::vector<std::uint32_t> expected;
        sketch.samples.emplace_back();
        for (std::uint32_t level = 0; level <= top; ++level) {
            sketch.samples.back().push_back({level});
            const std::uint32_t grey = level * 255 / top;
            expected.push_back(argb(0xFF, grey, grey, grey));
        }
        EXPECT_EQ(decoded(pngBytes(sketch), static_cast<int>(top) + 1, 1), expected);
    }
}

// Every interlaced layout reads to the same pixels as its plain twin. The
// 16-bit samples are v * 257, which scale back to v exactly.
TEST(PngDecoder, InterlacedImagesMatchTheirPlainTwins) {
    struct Case {
        const char* name;
        int bitDepth, colourType, channels;
        std::string chunks;
    };
    const std::vector<Case> cases = {
        {"rgb8", 8, 2, 3, ""},
        {"rgba16", 16, 6, 4, ""},
        {"grey16", 16, 0, 1, ""},
        {"grey alpha 8", 8, 4, 2, ""},
        {"palette 2-bit", 2, 3, 1, paletteChunk(4)},
        {"palette 8-bit", 8, 3, 1, paletteChunk(200)},
    };
    const int width = 13;
    const int height = 11;  // every pass has pixels, some rows end mid-pass
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PngSketch plain;
        plain.bitDepth = c.bitDepth;
        plain.colourType = c.colourType;
        plain.chunksBeforePixels = c.chunks;
        const std::uint32_t levels = c.colourType == 3 ? (c.bitDepth == 2 ? 4u : 200u) : 256u;
        std::vector<std::uint32_t> expected;
        for (int row = 0; row < height; ++row) {
            plain.samples.emplace_back();
            for (int column = 0; column < width; ++column) {
                std::vector<std::uint32_t> pixel;
                std::uint32_t channel[4] = {};
                for (int i = 0; i < c.channels; ++i) {
                    channel[i] =
                        static_cast<std::uint32_t>(row * 37 + column * 11 + i * 71) % levels;
                    pixel.push_back(c.bitDepth == 16 ? channel[i] * 257 : channel[i]);
                }
                plain.samples.back().push_back(pixel);
                switch (c.colourType) {
                    case 0:
                        expected.push_back(argb(0xFF, channel[0], channel[0], channel[0]));
                        break;
                    case 2:
                        expected.push_back(argb(0xFF, channel[0], channel[1], channel[2]));
                        break;
                    case 3:
                        expected.push_back(
                            argb(0xFF, channel[0], 255 - channel[0], (channel[0] * 3) & 0xFF));
                        break;
                    case 4:
                        expected.push_back(argb(channel[1], channel[0], channel[0], channel[0]));
                        break;
                    default:
                        expected.push_back(argb(channel[3], channel[0], channel[1], channel[2]));
                        break;
                }
            }
        }
        PngSketch interlaced = plain;
        interlaced.interlaced = true;
        EXPECT_EQ(decoded(pngBytes(plain), width, height), expected);
        EXPECT_EQ(decoded(pngBytes(interlaced), width, height), expected);
    }
}

// A file that states a gamma far from sRGB's is brought to sRGB; one that
// states sRGB (by gamma or by its own chunk) or nothing keeps its levels.
// Levels 0, 64, 128, 255 under gamma 1.0 become 255 (v / 255)^(1 / 2.2).
TEST(PngDecoder, StatedGammaIsBroughtToSrgbAndAlphaIsLeftAlone) {
    const std::vector<std::uint32_t> stored = {0, 64, 128, 255};
    const std::vector<std::uint32_t> linearToSrgb = {0, 136, 186, 255};
    struct Case {
        const char* name;
        std::string chunks;
        const std::vector<std::uint32_t>& levels;
    };
    const std::vector<Case> cases = {
        {"no gamma", "", stored},
        {"gamma 1/2.2", gammaChunk(45455), stored},
        {"sRGB chunk", chunk("sRGB", std::string(1, '\0')), stored},
        {"gamma 1.0", gammaChunk(100000), linearToSrgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PngSketch grey;
        grey.colourType = 4;  // grey and alpha: the alpha must stay as stored
        grey.chunksBeforePixels = c.chunks;
        PngSketch palette;
        palette.colourType = 3;
        std::string entries;
        grey.samples.emplace_back();
        palette.samples.emplace_back();
        std::vector<std::uint32_t> expectedGrey;
        std::vector<std::uint32_t> expectedPalette;
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const std::uint32_t level = c.levels[i];
            grey.samples.back().push_back({stored[i], stored[i]});
            expectedGrey.push_back(argb(stored[i], level, level, level));
            entries += {static_cast<char>(stored[i]), static_cast<char>(stored[i]),
                        static_cast<char>(stored[i])};
            palette.samples.back().push_back({static_cast<std::uint32_t>(i)});
            expectedPalette.push_back(argb(0xFF, level, level, level));
        }
        palette.chunksBeforePixels = c.chunks + chunk("PLTE", entries);
        EXPECT_EQ(decoded(pngBytes(grey), 4, 1), expectedGrey);
        EXPECT_EQ(decoded(pngBytes(palette), 4, 1), expectedPalette);
    }
}

TEST(PngDecoder, DamagedAncillaryChunkIsSkipped) {
    PngSketch sketch;
    sketch.colourType = 2;
    sketch.samples = {{{10, 20, 30}, {40, 50, 60}}};
    std::string text = chunk("tEXt", std::string("key\0value", 9));
    text.back() = static_cast<char>(text.back() ^ 1);
    sketch.chunksBeforePixels = text;
    EXPECT_EQ(decoded(pngBytes(sketch), 2, 1),
              (std::vector<std::uint32_t>{argb(0xFF, 10, 20, 30), argb(0xFF, 40, 50, 60)}));
}

// What follows the last row is not read: a file whose compressed stream
// runs on, or that ends without its end chunk, still gives its rows.
TEST(PngDecoder, NothingAfterTheLastRowIsRead) {
    PngSketch sketch;
    sketch.colourType = 0;
    sketch.samples = {{{0}, {85}, {255}}, {{86}, {1}, {254}}};
    const std::vector<std::uint32_t> expected = {
        argb(0xFF, 0, 0, 0),    argb(0xFF, 85, 85, 85), argb(0xFF, 255, 255, 255),
        argb(0xFF, 86, 86, 86), argb(0xFF, 1, 1, 1),    argb(0xFF, 254, 254, 254)};
    PngSketch runsOn = sketch;
    // More than the reader allows after the rows, and hardly compressible.
    std::mt19937 random(5);
    for (int i = 0; i < 200000; ++i) {
        runsOn.dataAfterRows.push_back(static_cast<char>(random()));
    }
    for (const auto& [name, bytes] :
         {std::pair{"no end chunk", pngBytes(sketch, false)},
          std::pair{"compressed data after the rows", pngBytes(runsOn)}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(decoded(bytes, 3, 2), expected);
    }
}

// Damage anywhere in what the pixels need fails quietly.
TEST(PngDecoder, DamagedFilesAreRefusedQuietly) {
    PngSketch rgb;
    rgb.colourType = 2;
    PngSketch palette;
    palette.colourType = 3;
    palette.bitDepth = 1;
    palette.chunksBeforePixels = paletteChunk(2);
    for (int row = 0; row < 20; ++row) {
        rgb.samples.emplace_back();
        palette.samples.emplace_back();
        for (int column = 0; column < 20; ++column) {
            const auto value = static_cast<std::uint32_t>(row * 13 + column * 7) & 0xFF;
            rgb.samples.back().push_back({value, value ^ 0x55, value ^ 0xAA});
            palette.samples.back().push_back({value & 1});
        }
    }
    const auto idatAt = [](const std::string& file) { return file.find("IDAT"); };
    std::vector<std::pair<std::string, std::string>> cases;
    for (const auto& [name, sketch] : {std::pair{"rgb", rgb}, std::pair{"palette", palette}}) {
        const std::string whole = pngBytes(sketch);
        const std::size_t idat = idatAt(whole);
        const std::size_t idatEnd = whole.size() - 12;  // before IEND
        std::string badCrc = whole;
        badCrc[idatEnd - 1] = static_cast<char>(badCrc[idatEnd - 1] ^ 0x01);
        cases.emplace_back(std::string(name) + ": bad IDAT CRC", badCrc);
        // Damaged compressed data under a CRC made to match: zlib's own
        // checks must catch it.
        std::string badData = whole;
        const std::size_t dataLength = idatEnd - 4 - (idat + 4);
        const std::size_t middle = idat + 4 + dataLength / 2;
        badData[middle] = static_cast<char>(badData[middle] ^ 0x10);
        const std::string typed = badData.substr(idat, 4 + dataLength);
        std::string crc;
        appendBigEndian(
            crc,
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                             static_cast<uInt>(typed.size()))),
            4);
        badData.replace(idatEnd - 4, 4, crc);
        cases.emplace_back(std::string(name) + ": bad data, good CRC", badData);
        cases.emplace_back(std::string(name) + ": cut in the pixels", whole.substr(0, idat + 20));
    }
    PngSketch noPalette = palette;
    noPalette.chunksBeforePixels.clear();
    cases.emplace_back("palette image without a palette", pngBytes(noPalette));

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        Gdiplus::GpImage image;
        EXPECT_FALSE(decodeQuietly(bytes, image));
    }
}

}  // namespace
}  // namespace tessoran_test
