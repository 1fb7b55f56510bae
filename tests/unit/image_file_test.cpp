// The image layer: files of every format and layout the program reads,
// written by the format libraries (BMP by hand), decoded to exactly the
// colours written and seen as dark and light pixels through the pattern the
// decoder reads; damaged, truncated, hostile and foreign files refused
// without the memory they declare; the decode budget.

#include "platform/posix/ImageFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "pattern/GdiPlusMonoImage.h"
#include "platform/DecodeBudget.h"
#include "platform/posix/EncodedFile.h"
#include "platform/posix/FormatDecoders.h"
#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace ostrel2::tessoran::platform;
using ostrel2::tessoran::isDarkColour;
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
    ArgbImage image = solidImage(width, height, kOpaqueWhite);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            image.set(row, column,
                      colours[static_cast<std::size_t>(row * 3 + column * 5) % colours.size()]);
        }
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
const Pixels kGreys = {0xFF000000u, 0xFF555555u, 0xFF565656u,
                       0xFFFFFFFFu, 0xFF282828u, 0xFFC8C8C8u};
// Black and white in blocks of 8, which JPEG keeps within a few levels.
const ArgbImage kBlocks = [] {
    ArgbImage image = solidImage(24, 16, kOpaqueWhite);
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 24; ++column) {
            if ((row / 8 + column / 8) % 2 == 0) {
                image.set(row, column, kOpaqueBlack);
            }
        }
    }
    return image;
}();

struct FormatCase {
    const char* name;
    std::function<void(const std::string&, const ArgbImage&)> write;
    ArgbImage image;
    int tolerance = 0;  // of each channel
};

std::vector<FormatCase> formatCases() {
    const auto png = [](PngLayout layout) {
        return [layout](const std::string& path, const ArgbImage& i) { writePng(path, i, layout); };
    };
    const auto tiff = [](TiffLayout layout) {
        return
            [layout](const std::string& path, const ArgbImage& i) { writeTiff(path, i, layout); };
    };
    const auto gif = [](GifLayout layout) {
        return [layout](const std::string& path, const ArgbImage& i) { writeGif(path, i, layout); };
    };
    const auto jpeg = [](JpegLayout layout, JpegCoding coding) {
        return [layout, coding](const std::string& path, const ArgbImage& i) {
            writeJpeg(path, i, layout, 100, coding);
        };
    };
    using enum PngLayout;
    return {
        {"PNG RGB", png(Rgb8), patternOf(kThresholdColours)},
        {"PNG RGBA", png(Rgba8), patternOf(kTransparentToo)},
        {"PNG grey", png(Grey8), patternOf(kGreys)},
        {"PNG palette and transparency", png(Palette8), patternOf(kTransparentToo)},
        {"BMP",
         [](const std::string& path, const ArgbImage& i) { writeBmp(path, i, BmpLayout::Rgb24); },
         patternOf(kThresholdColours)},
        {"GIF with transparency", gif({}), patternOf(kTransparentToo)},
        {"GIF interlaced, local colour map", gif({.localColourMap = true, .interlaced = true}),
         patternOf(kTransparentToo, 7, 19)},
        {"TIFF RGB", tiff(TiffLayout::Rgb8), patternOf(kThresholdColours)},
        {"TIFF RGBA unassociated", tiff(TiffLayout::RgbaUnassociated8), patternOf(kTransparentToo)},
        {"TIFF grey", tiff(TiffLayout::Grey8), patternOf(kGreys)},
        {"JPEG colour", jpeg(JpegLayout::Colour, JpegCoding::Baseline), kBlocks, 3},
        {"JPEG grey", jpeg(JpegLayout::Grey, JpegCoding::Baseline), kBlocks, 3},
        {"JPEG progressive", jpeg(JpegLayout::Colour, JpegCoding::Progressive), kBlocks, 3},
    };
}

int channelDistance(std::uint32_t a, std::uint32_t b) {
    int distance = 0;
    for (const int shift : {0, 8, 16}) {
        distance = std::max(distance, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                               static_cast<int>((b >> shift) & 0xFF)));
    }
    return distance;
}

TEST(ImageFile, EachFormatReadsAsWritten) {
    TemporaryDirectory directory;
    for (const FormatCase& format : formatCases()) {
        SCOPED_TRACE(format.name);
        format.write(directory.path() + "/image", format.image);
        const std::optional<Pixels> pixels = decoded(readFileBytes(directory.path() + "/image"));
        ASSERT_TRUE(pixels.has_value());
        ASSERT_EQ(pixels->size(), format.image.pixels.size());
        for (std::size_t i = 0; i < pixels->size(); ++i) {
            ASSERT_LE(channelDistance((*pixels)[i], format.image.pixels[i]), format.tolerance)
                << "pixel " << i;
        }
    }
}

// The pattern the decoder reads from a bitmap of any format: dark where red,
// green and blue add up to 255 at most, whatever the alpha. A pixel outside
// the picture is dark, and the bitmap records that it could not be read; a
// bitmap that could not be loaded is a pattern without pixels.
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
            ASSERT_EQ(row[static_cast<std::size_t>(x)], isDarkColour(image.at(y, x)) ? 1 : 0);
            ASSERT_EQ(pattern->GetPixel(y, x), isDarkColour(image.at(y, x))) << y << ", " << x;
        }
    }
    EXPECT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
    EXPECT_TRUE(pattern->GetPixel(image.height, 0));
    EXPECT_TRUE(pattern->GetPixel(0, -1));
    EXPECT_NE(bitmap.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(pattern->Release(), 0u);

    Gdiplus::Bitmap missing((directory.path() + "/missing.png").c_str());
    ASSERT_EQ(ostrel2::tessoran::CreateGdiPlusMonoImage(&missing, &pattern), ostrel2::S_OK);
    EXPECT_EQ(pattern->GetHeight() + pattern->GetWidth(), 0);
    pattern->Release();
}

// Every depth and header kind, rows from the bottom and from the top, masks
// of every width. Sixteen-bit colours are ones that 5 or 6 bits hold exactly
// (a 5-bit 16 reads as 0x84, a 6-bit 16 as 0x41).
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
    using enum BmpHeader;
    using enum BmpCompression;
    struct BmpCase {
        const char* name;
        BmpLayout layout;
        const ArgbImage& written;
        const ArgbImage& expected;
    };
    const BmpCase cases[] = {
        {"1-bit", {.bitsPerPixel = 1}, two, two},
        {"1-bit OS/2 1.x", {.bitsPerPixel = 1, .header = Core}, two, two},
        {"4-bit", {.bitsPerPixel = 4}, colours, colours},
        {"8-bit top-down", {.bitsPerPixel = 8, .topDown = true}, colours, colours},
        {"8-bit OS/2 2.x", {.bitsPerPixel = 8, .header = Os2}, colours, colours},
        {"8-bit V5", {.bitsPerPixel = 8, .header = V5}, colours, colours},
        // Colours that 5 or 6 bits hold exactly: 16 reads as 0x84 in 5 bits, 0x41 in 6.
        {"16-bit 5-5-5", {.bitsPerPixel = 16}, rgb555, rgb555},
        {"16-bit 5-6-5", {16, Info, BitFields, {0xF800, 0x7E0, 0x1F, 0}}, rgb565, rgb565},
        {"24-bit top-down", {.bitsPerPixel = 24, .topDown = true}, colours, colours},
        {"24-bit OS/2 1.x", {.bitsPerPixel = 24, .header = Core}, colours, colours},
        {"32-bit with alpha", {.bitsPerPixel = 32}, alpha, alpha},
        {"32-bit, alpha all 0", {.bitsPerPixel = 32}, noAlpha, colours},
        {"32-bit V4 bit fields, top-down", {32, V4, BitFields, rgba, true}, alpha, alpha},
        {"32-bit V5 bit fields, no alpha",
         {32, V5, BitFields, {0xFF0000, 0xFF00, 0xFF, 0}},
         noAlpha,
         colours},
        {"32-bit 10-10-10-2",
         {32, Info, AlphaBitFields, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
         alpha,
         twoBitAlpha},
    };
    for (const BmpCase& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(decoded(bmpBytes(test.written, test.layout)), test.expected.pixels);
    }
}

// The samples of a test PNG, and the ARGB pixels they stand for.
struct PngSamples {
    std::vector<std::uint16_t> samples;
    Pixels expected;
};

// Samples that run through every value of `form` in every row, rows all
// different; palette entry i is (i, 255 - i, 3 i), and indices beyond the
// palette or the transparency chunk read as opaque black or opaque.
PngSamples pngSamples(const PngForm& form, int width, int height) {
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = kChannels[form.colourType];
    const std::uint32_t top = (1u << std::min(form.bitDepth, 8)) - 1;
    const std::size_t paletteSize = form.palette.size() / 3;
    PngSamples png;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            std::uint32_t level[4] = {};
            for (int i = 0; i < channels; ++i) {
                level[i] = static_cast<std::uint32_t>(row * 37 + column * 11 + i * 71) % (top + 1);
                png.samples.push_back(
                    static_cast<std::uint16_t>(form.bitDepth == 16 ? level[i] * 257 : level[i]));
                level[i] = level[i] * 255 / top;  // spread over 8 bits
            }
            const std::uint32_t index = level[0] * top / 255;
            switch (form.colourType) {
                case 0:
                case 4:
                    png.expected.push_back((channels == 2 ? level[1] : 255) << 24 |
                                           level[0] * 0x010101u);
                    break;
                case 3:
                    png.expected.push_back(
                        index >= paletteSize
                            ? kOpaqueBlack
                            : std::uint32_t{static_cast<std::uint8_t>(
                                  index < form.paletteAlpha.size() ? form.paletteAlpha[index]
                                                                   : '\xFF')}
                                      << 24 |
                                  index << 16 | (255 - index) << 8 | ((3 * index) & 0xFF));
                    break;
                default:
                    png.expected.push_back((channels == 4 ? level[3] : 255) << 24 | level[0] << 16 |
                                           level[1] << 8 | level[2]);
                    break;
            }
        }
    }
    return png;
}

std::string paletteOf(int entries) {
    std::string palette;
    for (int i = 0; i < entries; ++i) {
        palette += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i * 3)};
    }
    return palette;
}

// Every colour type and depth, packed indices ending a row inside a byte or
// on its boundary, palettes one entry short of their depth and transparency
// chunks shorter still; each interlaced too, and each without its end chunk,
// which nothing after the last row needs.
TEST(ImageFile, PngOfEveryLayout) {
    std::vector<std::tuple<PngForm, int>> cases;
    for (const int depth : {1, 2, 4, 8}) {
        const int entries = depth == 1 ? 2 : (1 << depth) - 1;
        for (const int width : {1, 7, 8, 9, 17, 33}) {
            cases.push_back({{.bitDepth = depth,
                              .colourType = 3,
                              .palette = paletteOf(entries),
                              .paletteAlpha = std::string("\x40\x00", 2)},
                             width});
        }
        cases.push_back({{.bitDepth = depth, .colourType = 0}, 13});
    }
    for (const auto& [depth, colourType] :
         {std::pair{8, 2}, {16, 2}, {16, 6}, {8, 6}, {16, 0}, {8, 4}, {16, 4}}) {
        cases.push_back({{.bitDepth = depth, .colourType = colourType}, 13});
    }
    for (const auto& [form, width] : cases) {
        const PngSamples png = pngSamples(form, width, 11);
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "type " << form.colourType << ", depth " << form.bitDepth << ", width "
                         << width << (interlaced ? ", interlaced" : ""));
            PngForm written = form;
            written.interlaced = interlaced;
            const std::string bytes = pngBytes(written, width, 11, png.samples);
            EXPECT_EQ(decoded(bytes), png.expected);
            EXPECT_EQ(decoded(bytes.substr(0, bytes.size() - 12)), png.expected);
        }
    }
}

// A file that states a gamma far from sRGB's is brought to sRGB; one that
// states sRGB (by its gamma or its own chunk) or nothing keeps its levels.
// Under gamma 1.0, 64 becomes 255 (64 / 255)^(1 / 2.2) = 136. Alpha stays.
TEST(ImageFile, PngGamma) {
    for (const auto& [gamma, srgb, shown] : {std::tuple{0.0, false, 64u},
                                             {1 / 2.2, false, 64u},
                                             {0.0, true, 64u},
                                             {1.0, false, 136u}}) {
        SCOPED_TRACE(testing::Message() << gamma << (srgb ? " sRGB" : ""));
        // Grey and alpha, and a palette, each of 0 and 64.
        EXPECT_EQ(decoded(pngBytes({.colourType = 4, .gamma = gamma, .srgbChunk = srgb}, 2, 1,
                                   {0, 255, 64, 64})),
                  (Pixels{kOpaqueBlack, 0x40000000u | shown * 0x010101u}));
        EXPECT_EQ(decoded(pngBytes({.colourType = 3,
                                    .palette = std::string("\0\0\0@@@", 6),
                                    .gamma = gamma,
                                    .srgbChunk = srgb},
                                   2, 1, {0, 1})),
                  (Pixels{kOpaqueBlack, 0xFF000000u | shown * 0x010101u}));
    }
}

// Indices beyond a GIF's colour map show black; a GIF without any map is
// refused. 2 x 1 pixels, LZW minimum code size 2.
TEST(ImageFile, GifFramesOnTheirScreen) {
    const auto tinyGif = [](bool withColourMap, const char* lzw) {
        return "GIF89a" + std::string("\x02\x00\x01\x00", 4) +
               (withColourMap ? std::string("\x80\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF", 9)
                              : std::string(3, '\0')) +
               std::string("\x2C\x00\x00\x00\x00\x02\x00\x01\x00\x00\x02\x02", 12) +
               std::string(lzw, 2) + std::string("\x00\x3B", 2);
    };
    EXPECT_EQ(decoded(tinyGif(true, "\x1C\x0A")), (Pixels{kOpaqueBlack, kOpaqueWhite}));  // 3, 0
    EXPECT_EQ(decoded(tinyGif(false, "\x44\x0A")), std::nullopt);                         // 0, 1
    // A frame at (4, 3) on a screen of 6 x 5 is cut at the screen's edge; the
    // rest of the screen is its background, transparent.
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/offset.gif";
    writeGif(path, solidImage(4, 4, kOpaqueBlack),
             {.screenWidth = 6, .screenHeight = 5, .left = 4, .top = 3});
    Pixels expected(30, 0x00000000u);
    for (const int covered : {22, 23, 28, 29}) {
        expected[static_cast<std::size_t>(covered)] = kOpaqueBlack;
    }
    EXPECT_EQ(decoded(readFileBytes(path)), expected);
}

std::string jpegWithScans(int scans);
void damagedPngs(std::vector<std::pair<std::string, std::string>>& cases);

// The largest screen and frame a GIF can declare, or a small screen with
// such a frame.
std::string hugeGif(std::uint32_t screenSide) {
    std::string gif = "GIF89a";
    appendLittleEndian(gif, screenSide, 2);
    appendLittleEndian(gif, screenSide, 2);
    return gif + std::string(
                     "\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF\x2C\x00\x00\x00\x00\xFF\xFF"
                     "\xFF\xFF\x00\x02\x02\x44\x0A\x00\x3B",
                     25);
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Files that are damaged, cut short, no image of ours, or that declare far
// more than they hold are refused, in little memory, and leave the image
// they were to be decoded into as it was.
TEST(ImageFile, WhatIsRefused) {
    const ArgbImage threeColours = patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF808080u}, 9, 4);
    const std::string bmp = bmpBytes(threeColours, {.bitsPerPixel = 8});
    const auto patched = [](std::string file, std::size_t offset, std::uint32_t value, int bytes) {
        std::string field;
        appendLittleEndian(field, value, bytes);
        return file.replace(offset, static_cast<std::size_t>(bytes), field);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {"BMP, 8 bits, two palette entries for three colours",
         bmpBytes(threeColours, {.bitsPerPixel = 8, .paletteEntries = 2})},
        {"BMP, 1 bit, one palette entry",
         bmpBytes(patternOf({kOpaqueBlack, kOpaqueWhite}, 9, 4),
                  {.bitsPerPixel = 1, .header = BmpHeader::Core, .paletteEntries = 1})},
        {"BMP, pixels one byte short", bmp.substr(0, bmp.size() - 1)},
        {"BMP, unknown header size", patched(bmp, 14, 100, 4)},
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
        {"a bar string", "0123456789ABCDEF\n"},
        {"PNG signature", "\x89PNG\r\n\x1A\n"},
        {"GIF signature", "GIF89a"},
        {"BMP signature", "BM"},
        {"TIFF signature", std::string("II*\0", 4)},
        {"JPEG signature", "\xFF\xD8\xFF"},
        {"TGA", std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x18\0\0\0\0", 21)},
        {"PNM", std::string("P6\n1 1\n255\n\0\0\0", 14)},
        {"100,000 x 100,000 PNG", pngHeaderOnly(100000, 100000)},
        {"100,000 x 100,000 BMP", patched(patched(bmp, 18, 100000, 4), 22, 100000, 4)},
        {"65,535 x 65,535 GIF", hugeGif(65535)},
        {"a GIF frame beyond a small screen", hugeGif(16)},
        {"16,384 x 16,384 progressive JPEG", progressiveJpegDeclaring(16384, 16384)},
        {"a progressive JPEG of 301 scans", jpegWithScans(301)},
        {"a progressive JPEG of 5000 scans", jpegWithScans(5000)},
    };
    damagedPngs(cases);
    // Every format cut at a quarter, a half and three quarters.
    TemporaryDirectory directory;
    ArgbImage noise = solidImage(40, 40, kOpaqueWhite);
    for (std::size_t i = 0; i < noise.pixels.size(); ++i) {
        noise.pixels[i] =
            (i * 7919) % 13 < 6 ? kOpaqueBlack : 0xFF808080u + static_cast<std::uint32_t>(i % 5);
    }
    for (const FormatCase& format : formatCases()) {
        format.write(directory.path() + "/whole", format.tolerance == 0 ? noise : kBlocks);
        const std::string whole = readFileBytes(directory.path() + "/whole");
        for (const int quarters : {1, 2, 3}) {
            cases.push_back(
                {format.name + std::string(", cut at ") + std::to_string(quarters) + "/4",
                 whole.substr(0, whole.size() * quarters / 4)});
        }
    }
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const long peakBefore = peakResidentKiB();
        Gdiplus::GpImage image;
        image.width = 5;
        image.height = 1;
        image.pixels = Gdiplus::PixelBuffer(5);
        std::fill(image.pixels.begin(), image.pixels.end(), 0x12345678u);
        EXPECT_FALSE(loadImageFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                         bytes.size(), image));
        EXPECT_EQ(image.width, 5);
        EXPECT_EQ(image.height, 1);
        EXPECT_EQ(Pixels(image.pixels.begin(), image.pixels.end()), Pixels(5, 0x12345678u));
        EXPECT_LT(peakResidentKiB() - peakBefore, 64 * 1024);
    }
    // Up to 300 scans a progressive JPEG is read.
    EXPECT_NE(decoded(jpegWithScans(300)), std::nullopt);
}

// A progressive grey JPEG whose first scan, the DC coefficients, comes
// `scans` times over. The scan is cut from a file libjpeg wrote, from its
// header to the next marker, and its successive-approximation byte set to
// give the coefficients whole: every repeat is valid and sets the same
// coefficients again, and only the number of scans is amiss.
std::string jpegWithScans(int scans) {
    const std::string jpeg = jpegBytes(kBlocks, JpegLayout::Grey, 100, JpegCoding::Progressive);
    const std::size_t start = jpeg.find("\xFF\xDA");
    const std::size_t headerEnd = start + 2 +
                                  (static_cast<std::uint8_t>(jpeg[start + 2]) << 8 |
                                   static_cast<std::uint8_t>(jpeg[start + 3]));
    // The coded data runs to the next 0xFF that is not followed by a stuffed
    // 0 or a restart marker.
    std::size_t end = headerEnd;
    while (!(jpeg[end] == '\xFF' && jpeg.at(end + 1) != 0 &&
             (static_cast<std::uint8_t>(jpeg[end + 1]) < 0xD0 ||
              static_cast<std::uint8_t>(jpeg[end + 1]) > 0xD7))) {
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

// Damage anywhere in what a PNG's pixels need: a wrong data CRC, damaged
// compressed data under a CRC made to match (zlib's own checks must catch
// it), a file cut in its pixels, a palette image without its palette.
void damagedPngs(std::vector<std::pair<std::string, std::string>>& cases) {
    std::vector<std::uint16_t> samples(1200);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint16_t>((i * 13 + i / 60 * 7) & 0xFF);
    }
    const std::string rgb = pngBytes({.colourType = 2}, 20, 20, samples);
    std::vector<std::uint16_t> indices(samples.begin(), samples.begin() + 400);
    for (std::uint16_t& index : indices) {
        index &= 1;
    }
    const std::string palette =
        pngBytes({.bitDepth = 1, .colourType = 3, .palette = paletteOf(2)}, 20, 20, indices);
    for (const auto& [name, whole] : {std::pair{"RGB PNG", rgb}, {"palette PNG", palette}}) {
        const std::size_t idat = whole.find("IDAT");
        const std::size_t crc = whole.size() - 16;  // before IEND
        std::string badCrc = whole;
        badCrc[crc] = static_cast<char>(badCrc[crc] ^ 0x01);
        cases.push_back({name + std::string(": a bad data CRC"), badCrc});
        std::string badData = whole;
        badData[(idat + crc) / 2] = static_cast<char>(badData[(idat + crc) / 2] ^ 0x10);
        std::string rechecked = badData.substr(0, idat - 4);
        appendPngChunk(rechecked, "IDAT", badData.substr(idat + 4, crc - idat - 4));
        cases.push_back(
            {name + std::string(": bad data, a good CRC"), rechecked + whole.substr(crc + 4)});
        cases.push_back({name + std::string(": cut in the pixels"), whole.substr(0, idat + 20)});
    }
    const std::size_t plte = palette.find("PLTE") - 4;
    cases.push_back({"a palette PNG without its palette", std::string(palette).erase(plte, 18)});
}

// Files are read whole, from a regular file or a stream alike (3 MiB are
// more than a stream's first mapping holds), up to the limit and not past
// it; leading bytes that no format has stop the reading at once.
TEST(ImageFile, EncodedFilesAreReadWholeUpToTheirLimit) {
    std::string bytes((std::size_t{3} << 20) + 1, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    bytes.replace(0, 2, "BM");
    const auto read = [](const std::string& path, std::uint64_t limit) {
        const auto bmpOnly = [](const unsigned char* leading, std::size_t count) {
            return count >= 2 && leading[0] == 'B' && leading[1] == 'M';
        };
        const auto file = readEncodedFile(path.c_str(), limit, bmpOnly);
        return file ? std::optional(
                          std::string(reinterpret_cast<const char*>(file->data()), file->size()))
                    : std::nullopt;
    };
    // The same bytes from a pipe, fed by a thread, read through /proc/self/fd.
    const auto readFromPipe = [&read](const std::string& written, std::uint64_t limit) {
        signal(SIGPIPE, SIG_IGN);
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        std::thread writer([&written, in = fds[1]] {
            for (std::size_t done = 0; done < written.size();) {
                const ssize_t count = write(in, written.data() + done, written.size() - done);
                if (count <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(count);
            }
            close(in);
        });
        const auto result = read("/proc/self/fd/" + std::to_string(fds[0]), limit);
        close(fds[0]);  // a reader stopped at its limit leaves the writer to fail
        writer.join();
        return result;
    };
    TemporaryDirectory directory;
    const std::string path = directory.write("large.bmp", bytes);
    EXPECT_EQ(read(path, bytes.size()), bytes);
    EXPECT_EQ(read(path, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(readFromPipe(bytes, bytes.size()), bytes);
    EXPECT_EQ(readFromPipe(bytes, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(read("/dev/zero", std::uint64_t{1} << 30), std::nullopt);
    EXPECT_EQ(readFromPipe("BM", 100), "BM");
    EXPECT_EQ(readFromPipe("B", 100), std::nullopt);
}

// libjpeg keeps a progressive file's coefficients for the whole image, 2
// bytes for each sample of each component: with room for a baseline file's
// decode and 200 KiB more, the same picture in progressive form (384 KiB of
// coefficients) is refused.
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
        {1, 1, true},
        {13376, 13376, true},  // 1,073,718,272 bytes
        {13377, 13376, false},
        {13376, 13377, false},
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
