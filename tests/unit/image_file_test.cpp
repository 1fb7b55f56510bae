// SPDX-License-Identifier: Apache-2.0
// Files of every format and layout decode to exactly the colours written;
// damaged, hostile and foreign files are refused without the memory they declare.

#include "platform/posix/ImageFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "pattern/GdiPlusMonoImage.h"
#include "platform/DecodeBudget.h"
#include "platform/posix/BmpHeader.h"
#include "platform/posix/EncodedFile.h"
#include "platform/posix/FormatDecoders.h"
#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace ostrel2::tessoran::platform;
using Pixels = std::vector<std::uint32_t>;

// Decodes `bytes` as the program does; nothing when they are refused. The
// decoders must print nothing either way.
std::optional<Pixels> decoded(const std::string& bytes) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Gdiplus::GpImage image;
    const bool loaded = loadImageFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size(), image);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    if (!loaded) {
        return std::nullopt;
    }
    EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height);
    return Pixels(image.pixels.begin(), image.pixels.end());
}

// width x height pixels, colours[(row * 3 + column * 5) mod n]: every colour
// in every row, rows all different.
ArgbImage patternOf(const Pixels& colours, int width = 7, int height = 10) {
    ArgbImage image = solidImage(width, height, 0);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = colours[(i / width * 3 + i % width * 5) % colours.size()];
    }
    return image;
}

// Around red + green + blue = 255, dark up to it, from every side; alpha
// plays no part in it, and the stored colour of a transparent pixel stays.
const Pixels kThresholdColours = {0xFF555555u, 0xFF565656u, 0xFFFF0000u, 0xFFFF0100u,
                                  0xFF00FF00u, 0xFF0000FFu, 0xFF0001FFu, 0xFF807F00u,
                                  0xFF808000u, 0xFFFFFFFFu, 0xFF000000u, 0xFF2040C0u};
const Pixels kTransparentToo = {0xFF555555u, 0xFF565656u, 0x00FFFFFFu, 0xFFFF0100u,
                                0x80565656u, 0xFF0000FFu, 0x00000000u, 0xFF807F00u};
// GIF has one transparent colour and no partial alpha.
const Pixels kOneTransparent = {0xFF555555u, 0xFF565656u, 0x00FFFFFFu,
                                0xFFFF0100u, 0xFF0000FFu, 0xFF807F00u};
const Pixels kGreys = {0xFF000000u, 0xFF555555u, 0xFF565656u,
                       0xFFFFFFFFu, 0xFF282828u, 0xFFC8C8C8u};
// Black and white in blocks of 8, which JPEG keeps within a few levels.
const ArgbImage kBlocks = [] {
    ArgbImage image = solidImage(24, 16, kOpaqueWhite);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = (i / 24 / 8 + i % 24 / 8) % 2 == 0 ? kOpaqueBlack : kOpaqueWhite;
    }
    return image;
}();

// A PNG of samples of one byte each (two, high first, at 16 bits).
std::string pngOf(const PngForm& form, int width, int height,
                  const std::vector<std::uint8_t>& samples) {
    return pngBytes(form, width, height, [&samples](int y, std::vector<std::uint8_t>& row) {
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(row.size()) * y, row.size(),
                    row.begin());
    });
}

struct FormatCase {
    const char* name;
    std::function<void(const std::string&, const ArgbImage&)> write;
    ArgbImage image;
    int tolerance = 0;  // of each channel
};

std::string bytesOf(const FormatCase& format, const ArgbImage& image) {
    TemporaryDirectory directory;
    format.write(directory.path() + "/image", image);
    return readFileBytes(directory.path() + "/image");
}

// PNG's layouts, and its damage, have tables of their own below.
std::vector<FormatCase> formatCases() {
    using namespace std::placeholders;
    const auto jpeg = [](JpegLayout layout, JpegCoding coding) {
        return [=](const std::string& path, const ArgbImage& image) {
            writeFileBytes(path, jpegBytes(image, layout, 100, coding));
        };
    };
    return {
        {"BMP", std::bind(writeBmp, _1, _2, BmpLayout{}), patternOf(kThresholdColours)},
        {"GIF with transparency", std::bind(writeGif, _1, _2, GifLayout{}),
         patternOf(kOneTransparent)},
        {"GIF interlaced, local colour map", std::bind(writeGif, _1, _2, GifLayout{true, true}),
         patternOf(kOneTransparent, 7, 19)},
        {"TIFF RGB", std::bind(writeTiff, _1, _2, TiffLayout::Rgb8), patternOf(kThresholdColours)},
        {"TIFF RGBA unassociated", std::bind(writeTiff, _1, _2, TiffLayout::RgbaUnassociated8),
         patternOf(kTransparentToo)},
        {"TIFF grey", std::bind(writeTiff, _1, _2, TiffLayout::Grey8), patternOf(kGreys)},
        {"JPEG colour", jpeg(JpegLayout::Colour, JpegCoding::Baseline), kBlocks, 3},
        {"JPEG grey", jpeg(JpegLayout::Grey, JpegCoding::Baseline), kBlocks, 3},
        {"JPEG progressive", jpeg(JpegLayout::Colour, JpegCoding::Progressive), kBlocks, 3},
    };
}

TEST(ImageFile, EachFormatReadsAsWritten) {
    for (const FormatCase& format : formatCases()) {
        SCOPED_TRACE(format.name);
        const std::optional<Pixels> pixels = decoded(bytesOf(format, format.image));
        ASSERT_EQ(pixels.value_or(Pixels()).size(), format.image.pixels.size());
        for (std::size_t i = 0; i < 4 * pixels->size(); ++i) {
            const auto channel = [i](const Pixels& of) { return of[i / 4] >> (i % 4 * 8) & 0xFF; };
            ASSERT_LE(std::abs(static_cast<int>(channel(*pixels) - channel(format.image.pixels))),
                      format.tolerance)
                << "pixel " << i / 4;
        }
    }
}

// Dark where red, green and blue add up to 255 at most, whatever the alpha; a
// pixel outside is dark and marks the bitmap; an unloaded bitmap has no pixels.
TEST(ImageFile, ThePatternOfABitmap) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/image.png";
    Pixels colours = kThresholdColours;
    colours.insert(colours.end(), kTransparentToo.begin(), kTransparentToo.end());
    const ArgbImage image = patternOf(colours, 9, 11);
    writePng(path, image, PngLayout::Rgba8);
    Gdiplus::Bitmap bitmap(path.c_str());
    ostrel2::I2DBitPattern* pattern = nullptr;
    ASSERT_EQ(ostrel2::tessoran::CreateGdiPlusMonoImage(&bitmap, &pattern), ostrel2::S_OK);
    EXPECT_EQ(pattern->GetHeight(), image.height);
    EXPECT_EQ(pattern->GetWidth(), image.width);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width));
    for (int y = 0; y < image.height; ++y) {
        pattern->ReadRow(y, row.data());
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t argb = image.at(y, x);
            const bool dark = ((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF) <= 255;
            ASSERT_EQ(row[static_cast<std::size_t>(x)], dark ? 1 : 0) << y << ", " << x;
            ASSERT_EQ(pattern->GetPixel(y, x), dark) << y << ", " << x;
        }
    }
    EXPECT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
    // The bitmap itself: a pixel as stored, and only its ARGB words to lock.
    Gdiplus::Color colour;
    EXPECT_EQ(bitmap.GetPixel(2, 1, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetValue(), image.at(1, 2));
    const Gdiplus::Rect whole(0, 0, image.width, image.height);
    Gdiplus::BitmapData locked;
    EXPECT_EQ(bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, Gdiplus::PixelFormat32bppARGB + 1,
                              &locked),
              Gdiplus::InvalidParameter);
    EXPECT_TRUE(pattern->GetPixel(image.height, 0));
    EXPECT_TRUE(pattern->GetPixel(0, -1));
    EXPECT_NE(bitmap.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(pattern->Release(), 0u);

    Gdiplus::Bitmap missing((directory.path() + "/missing.png").c_str());
    ASSERT_EQ(ostrel2::tessoran::CreateGdiPlusMonoImage(&missing, &pattern), ostrel2::S_OK);
    EXPECT_EQ(pattern->GetHeight() + pattern->GetWidth(), 0);
    pattern->Release();
}

// Every depth and header kind, rows from the bottom and the top, masks of
// every width; 16-bit colours are ones that 5 or 6 bits hold exactly.
TEST(ImageFile, BmpOfEveryDepthAndHeader) {
    const ArgbImage two = patternOf({0xFF0000FFu, 0xFFFFFF00u}, 13, 5);
    const ArgbImage colours = patternOf(kThresholdColours);
    const ArgbImage alpha = patternOf(kTransparentToo);
    const ArgbImage rgb555 = patternOf({kOpaqueBlack, 0xFF844221u, 0xFF214284u, 0xFFFF8400u});
    const ArgbImage rgb565 = patternOf({kOpaqueBlack, 0xFF844142u, 0xFF428284u, 0xFFFF4100u});
    // A 32-bit file without an alpha mask, or whose alpha bytes are all 0,
    // is opaque; two bits of alpha read 0x80 as 0xAA.
    ArgbImage noAlpha = colours;
    ArgbImage twoBitAlpha = alpha;
    for (std::size_t i = 0; i < alpha.pixels.size(); ++i) {
        noAlpha.pixels[i] &= 0x00FFFFFFu;
        twoBitAlpha.pixels[i] |= (alpha.pixels[i] >> 24) == 0x80 ? 0xAA000000u : 0;
    }
    const std::array<std::uint32_t, 4> rgba = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    const std::array<std::uint32_t, 4> rgb = {0xFF0000, 0xFF00, 0xFF, 0};
    const std::array<std::uint32_t, 4> tenBits = {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000};
    using enum BmpHeader;
    using enum BmpCompression;
    const std::tuple<const char*, BmpLayout, const ArgbImage&, const ArgbImage&> cases[] = {
        {"1-bit", {.bitsPerPixel = 1}, two, two},
        {"1-bit OS/2 1.x", {.bitsPerPixel = 1, .header = Core}, two, two},
        {"4-bit", {.bitsPerPixel = 4}, colours, colours},
        {"8-bit top-down", {.bitsPerPixel = 8, .topDown = true}, colours, colours},
        {"8-bit, all 256 entries", {.bitsPerPixel = 8, .paletteEntries = 256}, colours, colours},
        {"8-bit OS/2 2.x", {.bitsPerPixel = 8, .header = Os2}, colours, colours},
        {"16-bit 5-5-5", {.bitsPerPixel = 16}, rgb555, rgb555},
        {"16-bit 5-6-5", {16, Info, BitFields, {0xF800, 0x7E0, 0x1F, 0}}, rgb565, rgb565},
        {"16-bit 5-6-5 V2", {16, V2, BitFields, {0xF800, 0x7E0, 0x1F, 0}}, rgb565, rgb565},
        {"32-bit V3 bit fields", {32, V3, BitFields, rgba}, alpha, alpha},
        {"24-bit OS/2 1.x", {.bitsPerPixel = 24, .header = Core}, colours, colours},
        {"32-bit with alpha", {.bitsPerPixel = 32}, alpha, alpha},
        {"32-bit, alpha all 0", {.bitsPerPixel = 32}, noAlpha, colours},
        {"32-bit V4 bit fields, top-down", {32, V4, BitFields, rgba, true}, alpha, alpha},
        {"32-bit V5 bit fields, no alpha", {32, V5, BitFields, rgb}, noAlpha, colours},
        {"32-bit 10-10-10-2", {32, Info, AlphaBitFields, tenBits}, alpha, twoBitAlpha},
    };
    for (const auto& [name, layout, written, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(decoded(bmpBytes(written, layout)), expected.pixels);
    }
}

// Palette entry i is (i, 255 - i, 3 i).
std::string paletteOf(int entries) {
    std::string palette;
    for (int i = 0; i < entries; ++i) {
        palette += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 3)};
    }
    return palette;
}

// Samples that run through every value of `form` in every row, rows all
// different, and the pixels they stand for: an index beyond the palette reads
// as opaque black, one beyond the transparency chunk as opaque.
std::pair<std::vector<std::uint8_t>, Pixels> pngSamples(const PngForm& form, int width,
                                                        int height) {
    const int colours = form.colourType % 4 == 2 ? 3 : 1;  // then alpha from type 4 on
    const int channels = colours + (form.colourType >= 4 ? 1 : 0);
    const std::uint32_t top = (1u << std::min(form.bitDepth, 8)) - 1;
    std::pair<std::vector<std::uint8_t>, Pixels> png;
    for (int pixel = 0; pixel < width * height; ++pixel) {
        std::uint32_t value[4] = {0, 0, 0, top};
        for (int i = 0; i < channels; ++i) {
            value[i] =
                static_cast<std::uint32_t>(pixel / width * 37 + pixel % width * 11 + i * 71) %
                (top + 1);
            png.first.insert(png.first.end(), form.bitDepth == 16 ? 2 : 1,
                             static_cast<std::uint8_t>(value[i]));  // 16 bits: value * 257
        }
        // Levels spread over 8 bits; a palette entry's alpha from its chunk.
        const auto level = [&](int i) { return value[i] * 255 / top; };
        const std::uint32_t index = value[0];
        const std::uint32_t alpha = form.colourType == 3
                                        ? (index < form.paletteAlpha.size()
                                               ? static_cast<std::uint8_t>(form.paletteAlpha[index])
                                               : 255u)
                                        : level(form.colourType >= 4 ? channels - 1 : 3);
        png.second.push_back(
            form.colourType != 3
                ? alpha << 24 | level(0) << 16 | level(colours / 2) << 8 | level(colours - 1)
            : index >= form.palette.size() / 3
                ? kOpaqueBlack
                : alpha << 24 | index << 16 | (255 - index) << 8 | ((3 * index) & 0xFF));
    }
    return png;
}

// Every colour type and depth, rows ending inside a byte or on its edge, short
// palettes and tRNS chunks; each also interlaced, and without its end chunk.
TEST(ImageFile, PngOfEveryLayout) {
    std::vector<std::tuple<PngForm, int>> cases;
    for (const int depth : {1, 2, 4, 8}) {
        for (const int width : {1, 7, 8, 9}) {
            cases.push_back({{.bitDepth = depth,
                              .colourType = 3,
                              .palette = paletteOf(depth == 1 ? 2 : (1 << depth) - 1),
                              .paletteAlpha = std::string("\x40\x00", 2)},
                             width});
        }
        cases.push_back({{.bitDepth = depth, .colourType = 0}, 13});
    }
    for (const auto& [depth, colourType] :
         {std::pair{8, 2}, {16, 2}, {16, 6}, {8, 6}, {16, 0}, {8, 4}, {16, 4}}) {
        cases.push_back({{.bitDepth = depth, .colourType = colourType}, 13});
    }
    for (auto [form, width] : cases) {
        const auto [samples, expected] = pngSamples(form, width, 11);
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "type " << form.colourType << ", depth " << form.bitDepth << ", width "
                         << width << (interlaced ? ", interlaced" : ""));
            form.interlaced = interlaced;
            const std::string bytes = pngOf(form, width, 11, samples);
            EXPECT_EQ(decoded(bytes), expected);
            EXPECT_EQ(decoded(bytes.substr(0, bytes.size() - 12)), expected);
        }
    }
}

// A GIF whose frame (left, top, width, height) holds the indices 3 and 0 and
// a colour map of two white entries, or no map at all.
std::string gifOf(std::uint32_t screenWidth, std::uint32_t screenHeight,
                  std::array<std::uint32_t, 4> frame, bool withColourMap = true) {
    std::string gif = "GIF89a";
    appendLittleEndian(gif, screenWidth, 2);
    appendLittleEndian(gif, screenHeight, 2);
    gif += withColourMap ? std::string("\x80\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF", 9)
                         : std::string(3, '\0');
    gif += '\x2C';
    for (const std::uint32_t field : frame) {
        appendLittleEndian(gif, field, 2);
    }
    return gif + std::string("\x00\x02\x02\x1C\x0A\x00\x3B", 7);  // LZW of 3, 0
}

// A frame is cut at its screen's edges; the rest shows entry 0, transparent.
TEST(ImageFile, GifFramesAreCutAtTheirScreensEdges) {
    constexpr std::uint32_t kClear = 0x00FFFFFFu;
    EXPECT_EQ(decoded(gifOf(3, 2, {2, 0, 2, 1})),
              (Pixels{kClear, kClear, kOpaqueBlack, kClear, kClear, kClear}));
    EXPECT_EQ(decoded(gifOf(1, 1, {0, 0, 1, 2})), Pixels{kOpaqueBlack});
}

// A progressive grey JPEG whose first (DC) scan comes `scans` times over, each
// giving the coefficients whole, so only the number of scans is amiss; its
// frame header states a `side` x `side` picture when `side` is not 0.
std::string progressiveJpeg(int scans, std::uint16_t side = 0) {
    std::string jpeg = jpegBytes(kBlocks, JpegLayout::Grey, 100, JpegCoding::Progressive);
    // The frame header: marker, length, precision, height, width.
    const auto high = static_cast<char>(side >> 8);
    const auto low = static_cast<char>(side);
    if (side != 0) {
        jpeg.replace(jpeg.find("\xFF\xC2") + 5, 4, {high, low, high, low});
    }
    const std::size_t start = jpeg.find("\xFF\xDA");
    const std::size_t headerEnd = start + 2 +
                                  (static_cast<std::uint8_t>(jpeg[start + 2]) << 8 |
                                   static_cast<std::uint8_t>(jpeg[start + 3]));
    // The coded data runs to the next 0xFF that is not followed by a stuffed
    // 0 or a restart marker.
    std::size_t end = headerEnd;
    while (!(jpeg[end] == '\xFF' && jpeg.at(end + 1) != 0 &&
             (static_cast<std::uint8_t>(jpeg[end + 1]) & 0xF8) != 0xD0)) {
        ++end;
    }
    std::string scan = jpeg.substr(start, end - start);
    scan[headerEnd - start - 1] = '\0';
    std::string file = jpeg.substr(0, start);
    for (int i = 0; i < scans; ++i) {
        file += scan;
    }
    return file + "\xFF\xD9";
}

// Damaged, cut, foreign and overstated files are refused, in little memory,
// leaving the image they were to be decoded into as it was.
TEST(ImageFile, WhatIsRefused) {
    // Damage anywhere in what a palette PNG's pixels need: a wrong data CRC,
    // damaged compressed data under a CRC made to match (zlib's own checks
    // must catch it), a file cut in its pixels, no palette at all.
    const PngForm palette{.bitDepth = 1, .colourType = 3, .palette = paletteOf(2)};
    const std::string png = pngOf(palette, 20, 20, pngSamples(palette, 20, 20).first);
    const std::size_t idat = png.find("IDAT");
    const std::size_t crc = png.size() - 16;  // before IEND
    std::string badCrc = png;
    badCrc[crc] = static_cast<char>(badCrc[crc] ^ 0x01);
    std::string badData = png;
    badData[(idat + crc) / 2] = static_cast<char>(badData[(idat + crc) / 2] ^ 0x10);
    std::string rechecked = badData.substr(0, idat - 4);
    appendPngChunk(rechecked, "IDAT", badData.substr(idat + 4, crc - idat - 4));
    const ArgbImage threeColours = patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF808080u}, 9, 4);
    const std::string bmp = bmpBytes(threeColours, {.bitsPerPixel = 8});
    const auto patched = [](std::string file, std::size_t offset, std::uint32_t value, int bytes) {
        std::string field;
        appendLittleEndian(field, value, bytes);
        return file.replace(offset, static_cast<std::size_t>(bytes), field);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {"PNG: a bad data CRC", badCrc},
        {"PNG: bad data, a good CRC", rechecked + png.substr(crc + 4)},
        {"PNG: cut in the pixels", png.substr(0, idat + 20)},
        {"PNG without its palette", std::string(png).erase(png.find("PLTE") - 4, 18)},
        {"BMP, 8 bits, two palette entries for three colours",
         bmpBytes(threeColours, {.bitsPerPixel = 8, .paletteEntries = 2})},
        {"BMP, 1 bit, one palette entry",
         bmpBytes(patternOf({kOpaqueBlack, kOpaqueWhite}, 9, 4),
                  {.bitsPerPixel = 1, .header = BmpHeader::Core, .paletteEntries = 1})},
        {"BMP, pixels one byte short", bmp.substr(0, bmp.size() - 1)},
        {"BMP, unknown header size", patched(bmp, 14, 100, 4)},
        {"BMP, a version 5 header cut off", patched(bmp, 14, 124, 4).substr(0, 14 + 100)},
        {"BMP, no width", patched(bmp, 18, 0, 4)},
        {"BMP, two planes", patched(bmp, 26, 2, 2)},
        {"BMP, 2 bits a pixel", patched(bmp, 28, 2, 2)},
        {"BMP, run-length compressed", patched(bmp, 30, 1, 4)},
        {"BMP, pixels inside the header", patched(bmp, 10, 20, 4)},
        {"BMP, a mask with a gap",
         bmpBytes(threeColours, {.bitsPerPixel = 32,
                                 .compression = BmpCompression::BitFields,
                                 .masks = {0x00FF00FFu, 0x0000FF00u, 0xFF000000u, 0}})},
        {"CMYK JPEG", jpegBytes(kBlocks, JpegLayout::Cmyk)},
        {"empty", ""},
        {"text", "Hello, world: no picture here.\n"},
        {"PNG signature", "\x89PNG\r\n\x1A\n"},
        {"GIF signature", "GIF89a"},
        {"BMP signature", "BM"},
        {"TIFF signature", std::string("II*\0", 4)},
        {"JPEG signature", "\xFF\xD8\xFF"},
        {"100,000 x 100,000 PNG", pngHeaderOnly(100000, 100000)},
        {"100,000 x 100,000 BMP", patched(patched(bmp, 18, 100000, 4), 22, 100000, 4)},
        {"65,535 x 65,535 GIF", gifOf(65535, 65535, {0, 0, 65535, 65535})},
        {"a GIF frame beyond a small screen", gifOf(16, 16, {0, 0, 65535, 65535})},
        {"a GIF without any colour map", gifOf(2, 2, {0, 1, 2, 1}, false)},
        {"16,384 x 16,384 progressive JPEG", progressiveJpeg(1, 16384)},
        {"a progressive JPEG of 301 scans", progressiveJpeg(301)},
    };
    // Every format cut at a quarter, a half and three quarters.
    for (const FormatCase& format : formatCases()) {
        const std::string whole =
            bytesOf(format, format.tolerance == 0 ? patternOf(kGreys, 40, 40) : kBlocks);
        for (const std::size_t quarters : {1, 2, 3}) {
            cases.push_back({format.name + (", cut at " + std::to_string(quarters)) + "/4",
                             whole.substr(0, whole.size() * quarters / 4)});
        }
    }
    const auto peakKiB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const long before = peakKiB();
        Gdiplus::GpImage image{.width = 5, .height = 1, .pixels = Gdiplus::PixelBuffer(5)};
        std::fill(image.pixels.begin(), image.pixels.end(), 0x12345678u);
        EXPECT_FALSE(loadImageFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                         bytes.size(), image));
        EXPECT_EQ(
            std::tuple(image.width, image.height, Pixels(image.pixels.begin(), image.pixels.end())),
            std::tuple(5, 1, Pixels(5, 0x12345678u)));
        EXPECT_LT(peakKiB() - before, 64 * 1024);
    }
    // Up to 300 scans a progressive JPEG is read.
    EXPECT_NE(decoded(progressiveJpeg(300)), std::nullopt);
}

// What a BMP's headers state, as its decoder is given it: nothing when the
// file ends inside the information header, even where every field the
// layout needs and the pixel offset lie within what is there, and nothing for
// a header of a size no header kind has.
TEST(ImageFile, BmpLayoutOfWholeHeadersOnly) {
    const ArgbImage threeColours = patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF808080u}, 9, 4);
    const std::string indexed = bmpBytes(threeColours, {.bitsPerPixel = 8});
    const std::string v5 =
        bmpBytes(threeColours, {.bitsPerPixel = 24, .header = BmpHeader::V5, .topDown = true});
    std::string unknownSize = v5;
    unknownSize[14] = 100;
    // Width, height, top-down, depth, palette offset and entries, pixel offset
    // and row bytes (rows padded to whole words).
    using Fields = std::tuple<std::uint32_t, std::uint32_t, bool, unsigned, std::size_t, unsigned,
                              std::uint64_t, std::uint64_t>;
    const std::tuple<const char*, std::string, std::optional<Fields>> cases[] = {
        {"8 bits, three palette entries", indexed, Fields{9, 4, false, 8, 54, 3, 66, 12}},
        {"24 bits, version 5 header", v5, Fields{9, 4, true, 24, 0, 0, 138, 28}},
        {"the version 5 header cut after 100 of its 124 bytes", v5.substr(0, 14 + 100),
         std::nullopt},
        {"a header of 100 bytes", unknownSize, std::nullopt},
    };
    for (const auto& [name, file, expected] : cases) {
        SCOPED_TRACE(name);
        const auto layout = readBmpLayout(
            std::span(reinterpret_cast<const unsigned char*>(file.data()), file.size()));
        ASSERT_EQ(layout.has_value(), expected.has_value());
        if (layout) {
            EXPECT_EQ(Fields(layout->width, layout->height, layout->topDown, layout->bitsPerPixel,
                             layout->paletteOffset, layout->paletteCount, layout->pixelOffset,
                             layout->rowBytes),
                      *expected);
        }
    }
}

// Files are read whole, from a regular file or a stream alike (3 MiB are
// more than a stream's first mapping holds), up to the limit and not past
// it; leading bytes that no format has stop the reading at once.
TEST(ImageFile, EncodedFilesAreReadWholeUpToTheirLimit) {
    std::string bytes = "BM";
    while (bytes.size() <= std::size_t{3} << 20) {
        bytes += std::to_string(bytes.size() * 7);
    }
    TemporaryDirectory directory;
    const std::string large = directory.write("large.bmp", bytes);
    const auto read = [](const std::string& path, std::uint64_t limit, bool throughPipe) {
        // A pipe that cat fills; a reader stopped at its limit leaves cat to fail.
        signal(SIGPIPE, SIG_IGN);
        FILE* pipe = popen(("cat '" + path + "'").c_str(), "r");
        const auto file = readEncodedFile(
            throughPipe ? ("/proc/self/fd/" + std::to_string(fileno(pipe))).c_str() : path.c_str(),
            limit, [](const unsigned char* leading, std::size_t count) {
                return count >= 2 && leading[0] == 'B' && leading[1] == 'M';
            });
        pclose(pipe);
        return file ? std::optional(
                          std::string(reinterpret_cast<const char*>(file->data()), file->size()))
                    : std::nullopt;
    };
    for (const bool throughPipe : {false, true}) {
        SCOPED_TRACE(throughPipe ? "a pipe" : "a file");
        EXPECT_EQ(read(large, bytes.size(), throughPipe), bytes);
        EXPECT_EQ(read(large, bytes.size() - 1, throughPipe), std::nullopt);
        EXPECT_EQ(read(directory.write("bm", "BM"), 100, throughPipe), "BM");
        EXPECT_EQ(read(directory.write("b", "B"), 100, throughPipe), std::nullopt);
        EXPECT_EQ(read(directory.write("eight", "MB345678"), 100, throughPipe), std::nullopt);
    }
}

// A progressive file's coefficients (2 bytes a sample a component) count: with
// room for a baseline decode and 200 KiB, the progressive one (384 KiB) fails.
TEST(ImageFile, ProgressiveJpegCoefficientsCountAgainstTheBudget) {
    const ArgbImage picture = solidImage(256, 256, 0xFF808080u);
    for (const auto& [coding, loads] :
         {std::pair{JpegCoding::Baseline, true}, {JpegCoding::Progressive, false}}) {
        const std::string jpeg = jpegBytes(picture, JpegLayout::Colour, 100, coding);
        DecodeBudget budget;
        ASSERT_TRUE(budget.take(budget.remaining() - 256 * 256 * kBudgetBytesPerPixel -
                                256 * kScanLineBytesPerColumn - 200 * 1024));
        Gdiplus::GpImage loaded;
        EXPECT_EQ(
            decodeJpeg(std::span(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size()),
                       budget, loaded),
            loads);
    }
}

// 6 bytes a pixel and 16 a column within 1 GiB, without overflow.
TEST(ImageFile, DecodeBudget) {
    const std::tuple<std::uint64_t, std::uint64_t, bool> cases[] = {
        {13376, 13376, true},  // 1,073,718,272 bytes
        {13377, 13376, false},
        {1, 178956968, true},  // exactly 1 GiB
        {1, 178956969, false},
        {48806446, 1, true},  // 22 bytes each: 1,073,741,812
        {48806447, 1, false},
        {0, 5, false},
        {5, 0, false},
        {std::uint64_t{1} << 32, std::uint64_t{1} << 32, false},  // the product wraps to 0
    };
    for (const auto& [width, height, fits] : cases) {
        EXPECT_EQ(fitsDecodeBudget(width, height), fits) << width << " x " << height;
    }
}

}  // namespace
}  // namespace tessoran_test
