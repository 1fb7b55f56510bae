#include "platform/posix/ImageFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
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

using ostrel2::tessoran::isDarkColour;
using ostrel2::tessoran::platform::fitsDecodeBudget;
using ostrel2::tessoran::platform::loadImageFile;

constexpr std::uint32_t kRgbMask = 0x00FFFFFFu;

// 7 x 10, so that swapped axes, flipped rows and interlaced rows all show.
// Colours on both sides of the brightness threshold; a few transparent pixels
// whose stored colour must survive.
ArgbImage colourPattern(bool withTransparency) {
    const std::uint32_t colours[] = {0xFF555555u, 0xFF565656u, 0xFFFF0000u, 0xFFFF0100u,
                                     0xFF000000u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF2040C0u};
    ArgbImage image = solidImage(7, 10, kOpaqueWhite);
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            image.set(row, column, colours[(row * 3 + column * 5) % 8]);
        }
    }
    if (withTransparency) {
        image.set(0, 6, 0x00FFFFFFu);  // transparent but white: light
        image.set(9, 0, 0x00FFFFFFu);
    }
    return image;
}

ArgbImage greyPattern() {
    const std::uint8_t levels[] = {0, 85, 86, 255, 40, 200};
    ArgbImage image = solidImage(7, 10, kOpaqueWhite);
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t level = levels[(row * 2 + column) % 6];
            image.set(row, column, 0xFF000000u | level << 16 | level << 8 | level);
        }
    }
    return image;
}

// Black and white only, in blocks, for the lossy format.
ArgbImage blockPattern() {
    ArgbImage image = solidImage(24, 16, kOpaqueWhite);
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            if (((row / 8) + (column / 8)) % 2 == 0) {
                image.set(row, column, kOpaqueBlack);
            }
        }
    }
    return image;
}

struct FormatCase {
    const char* name;
    std::function<void(const std::string&, const ArgbImage&)> write;
    ArgbImage image;
    bool lossless;
};

std::vector<FormatCase> formatCases() {
    auto png = [](PngLayout layout) {
        return [layout](const std::string& p, const ArgbImage& i) { writePng(p, i, layout); };
    };
    auto tiff = [](TiffLayout layout) {
        return [layout](const std::string& p, const ArgbImage& i) { writeTiff(p, i, layout); };
    };
    auto bmp = [](BmpLayout layout) {
        return [layout](const std::string& p, const ArgbImage& i) { writeBmp(p, i, layout); };
    };
    auto jpeg = [](JpegLayout layout) {
        return [layout](const std::string& p, const ArgbImage& i) { writeJpeg(p, i, layout); };
    };
    auto gif = [](GifLayout layout) {
        return [layout](const std::string& p, const ArgbImage& i) { writeGif(p, i, layout); };
    };
    GifLayout interlacedLocal;
    interlacedLocal.interlaced = true;
    interlacedLocal.localColourMap = true;
    return {
        {"png_rgb8", png(PngLayout::Rgb8), colourPattern(false), true},
        {"png_rgba8", png(PngLayout::Rgba8), colourPattern(true), true},
        {"png_grey8", png(PngLayout::Grey8), greyPattern(), true},
        {"png_grey_alpha8", png(PngLayout::GreyAlpha8), greyPattern(), true},
        {"png_palette_trns", png(PngLayout::Palette8), colourPattern(true), true},
        {"png_rgb16", png(PngLayout::Rgb16), colourPattern(false), true},
        {"png_rgba16", png(PngLayout::Rgba16), colourPattern(true), true},
        {"png_grey16", png(PngLayout::Grey16), greyPattern(), true},
        {"bmp_rgb24", bmp(BmpLayout::Rgb24), colourPattern(false), true},
        {"bmp_palette8", bmp(BmpLayout::Palette8), colourPattern(false), true},
        {"gif_transparent", gif({}), colourPattern(true), true},
        {"gif_interlaced_local_map", gif(interlacedLocal), colourPattern(true), true},
        {"jpeg_colour", jpeg(JpegLayout::Colour), blockPattern(), false},
        {"jpeg_grey", jpeg(JpegLayout::Grey), blockPattern(), false},
        {"tiff_rgb8", tiff(TiffLayout::Rgb8), colourPattern(false), true},
        {"tiff_rgba_unassociated", tiff(TiffLayout::RgbaUnassociated8), colourPattern(true), true},
        {"tiff_grey8", tiff(TiffLayout::Grey8), greyPattern(), true},
        {"tiff_palette8", tiff(TiffLayout::Palette8), colourPattern(false), true},
        {"tiff_rgb16", tiff(TiffLayout::Rgb16), colourPattern(false), true},
    };
}

// Bytes of a file that reads as a BMP by its leading bytes.
std::string bmpLikeBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    bytes.replace(0, 2, "BM");
    return bytes;
}

// Reads `path` as the image loader does, with `limit` and a check that
// takes BMP signatures only.
std::optional<std::string> readAsImage(const std::string& path, std::uint64_t limit) {
    const auto bmpOnly = [](const unsigned char* bytes, std::size_t count) {
        return count >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    };
    const auto file = ostrel2::tessoran::platform::readEncodedFile(path.c_str(), limit, bmpOnly);
    if (!file.has_value()) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(file->data()), file->size());
}

// The same bytes from a pipe, fed by a thread, read through /proc/self/fd.
std::optional<std::string> readFromPipe(const std::string& bytes, std::uint64_t limit) {
    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::thread writer([&bytes, in = fds[1]] {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t count = write(in, bytes.data() + written, bytes.size() - written);
            if (count <= 0) {
                break;
            }
            written += static_cast<std::size_t>(count);
        }
        close(in);
    });
    const std::optional<std::string> read =
        readAsImage("/proc/self/fd/" + std::to_string(fds[0]), limit);
    // A reader that stopped at its limit leaves the writer to fail.
    close(fds[0]);
    writer.join();
    return read;
}

// Files are read whole, from a regular file or a stream alike (3 MiB are
// more than a stream's first mapping holds), up to the limit and not past
// it; leading bytes that no format has stop the reading at once.
TEST(ImageFile, EncodedFileIsReadWholeUpToItsLimit) {
    const std::string bytes = bmpLikeBytes((std::size_t{3} << 20) + 1);
    TemporaryDirectory directory;
    const std::string path = directory.write("large.bmp", bytes);
    EXPECT_EQ(readAsImage(path, bytes.size()), bytes);
    EXPECT_EQ(readAsImage(path, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(readFromPipe(bytes, bytes.size()), bytes);
    EXPECT_EQ(readFromPipe(bytes, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(readAsImage("/dev/zero", std::uint64_t{1} << 30), std::nullopt);
    EXPECT_EQ(readFromPipe("BM", 100), "BM");
    EXPECT_EQ(readFromPipe("B", 100), std::nullopt);
}

TEST(ImageFile, EachFormatLoadsWithItsSizeColoursAndPixelClasses) {
    TemporaryDirectory directory;
    for (const FormatCase& format : formatCases()) {
        SCOPED_TRACE(format.name);
        const std::string path = directory.path() + "/" + format.name;
        format.write(path, format.image);

        Gdiplus::GpImage loaded;
        ASSERT_TRUE(loadImageFile(path.c_str(), loaded));
        ASSERT_EQ(loaded.width, format.image.width);
        ASSERT_EQ(loaded.height, format.image.height);
        ASSERT_EQ(loaded.pixels.size(), format.image.pixels.size());

        // Through the same path the program takes: bitmap, then pattern.
        Gdiplus::Bitmap* bitmap = new Gdiplus::Bitmap(path.c_str());
        ASSERT_EQ(bitmap->GetLastStatus(), Gdiplus::Ok);
        ostrel2::I2DBitPattern* pattern = nullptr;
        ASSERT_EQ(ostrel2::tessoran::CreateGdiPlusMonoImage(bitmap, &pattern), ostrel2::S_OK);
        EXPECT_EQ(pattern->GetHeight(), format.image.height);
        EXPECT_EQ(pattern->GetWidth(), format.image.width);
        for (int row = 0; row < format.image.height; ++row) {
            for (int column = 0; column < format.image.width; ++column) {
                const std::uint32_t written = format.image.at(row, column);
                const std::uint32_t read =
                    loaded.pixels[static_cast<std::size_t>(row) * format.image.width + column];
                if (format.lossless) {
                    ASSERT_EQ(read & kRgbMask, written & kRgbMask)
                        << "row " << row << " column " << column;
                }
                ASSERT_EQ(pattern->GetPixel(row, column), isDarkColour(written))
                    << "row " << row << " column " << column;
            }
        }
        pattern->Release();
        delete bitmap;
    }
}

TEST(ImageFile, GreyAndColourJpegComeCloseToTheWrittenLevels) {
    TemporaryDirectory directory;
    for (const JpegLayout layout : {JpegLayout::Colour, JpegLayout::Grey}) {
        const std::string path = directory.path() + "/image.jpg";
        const ArgbImage grey = solidImage(16, 16, 0xFF808080u);
        writeJpeg(path, grey, layout);
        Gdiplus::GpImage loaded;
        ASSERT_TRUE(loadImageFile(path.c_str(), loaded));
        for (const std::uint32_t pixel : loaded.pixels) {
            for (const int shift : {16, 8, 0}) {
                const int level = static_cast<int>((pixel >> shift) & 0xFF);
                ASSERT_NEAR(level, 0x80, 2);
            }
        }
    }
}

TEST(ImageFile, GifFrameIsPlacedOnTheScreenAndCutAtItsEdge) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/offset.gif";
    GifLayout layout;
    layout.screenWidth = 6;
    layout.screenHeight = 5;
    layout.left = 4;
    layout.top = 3;
    const ArgbImage frame = solidImage(4, 4, kOpaqueBlack);
    writeGif(path, frame, layout);

    Gdiplus::GpImage loaded;
    ASSERT_TRUE(loadImageFile(path.c_str(), loaded));
    ASSERT_EQ(loaded.width, 6);
    ASSERT_EQ(loaded.height, 5);
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 6; ++column) {
            const bool covered = row >= 3 && column >= 4;
            // Background index 0 is the frame's only colour, black; its
            // uncovered part is marked transparent.
            EXPECT_EQ(loaded.pixels[static_cast<std::size_t>(row) * 6 + column],
                      covered ? kOpaqueBlack : 0x00000000u)
                << row << "," << column;
        }
    }
}

// A GIF of 2 x 1 pixels whose LZW data (minimum code size 2) holds the
// indices `first`, `second`; with or without a global map of two white entries.
std::string tinyGif(bool withColourMap, unsigned char lzw0, unsigned char lzw1) {
    std::string gif = "GIF89a";
    gif += std::string("\x02\x00\x01\x00", 4);
    gif += withColourMap ? std::string("\x80\x00\x00", 3) : std::string("\x00\x00\x00", 3);
    if (withColourMap) {
        gif += std::string("\xFF\xFF\xFF\xFF\xFF\xFF", 6);
    }
    gif += std::string("\x2C\x00\x00\x00\x00\x02\x00\x01\x00\x00", 10);
    gif += std::string("\x02\x02", 2);
    gif.push_back(static_cast<char>(lzw0));
    gif.push_back(static_cast<char>(lzw1));
    gif += std::string("\x00\x3B", 2);
    return gif;
}

TEST(ImageFile, GifIndexBeyondItsMapShowsBlackAndAMissingMapIsRefused) {
    TemporaryDirectory directory;
    // Codes: clear, 3, 0, end of information.
    const std::string beyond = directory.write("beyond.gif", tinyGif(true, 0x1C, 0x0A));
    Gdiplus::GpImage loaded;
    ASSERT_TRUE(loadImageFile(beyond.c_str(), loaded));
    ASSERT_EQ(loaded.pixels.size(), 2u);
    EXPECT_EQ(loaded.pixels[0], kOpaqueBlack);
    EXPECT_EQ(loaded.pixels[1], kOpaqueWhite);

    // Codes: clear, 0, 1, end of information; no map anywhere.
    const std::string mapless = directory.write("mapless.gif", tinyGif(false, 0x44, 0x0A));
    EXPECT_FALSE(loadImageFile(mapless.c_str(), loaded));
}

// width x height pixels, colours[(row * 3 + column * 5) mod n]: every
// colour in every row, rows all different.
ArgbImage patternOf(const std::vector<std::uint32_t>& colours, int width, int height) {
    ArgbImage image = solidImage(width, height, kOpaqueWhite);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            image.set(row, column,
                      colours[static_cast<std::size_t>(row * 3 + column * 5) % colours.size()]);
        }
    }
    return image;
}

std::vector<std::uint32_t> loadedPixels(const std::string& path) {
    Gdiplus::GpImage loaded;
    EXPECT_TRUE(loadImageFile(path.c_str(), loaded));
    return {loaded.pixels.begin(), loaded.pixels.end()};
}

struct BmpCase {
    const char* name;
    BmpLayout layout;
    ArgbImage written;
    // Left empty: the pixels written, exactly.
    std::vector<std::uint32_t> expected;
};

// Every depth and header kind, rows from the bottom and from the top, masks
// of every width. Sixteen-bit colours are ones that 5 or 6 bits hold exactly
// (a 5-bit 16 reads as 0x84, a 6-bit 16 as 0x41).
TEST(ImageFile, BmpOfEveryDepthAndHeaderReadsAsWritten) {
    const ArgbImage twoColours = patternOf({0xFF0000FFu, 0xFFFFFF00u}, 13, 5);
    const ArgbImage colours = colourPattern(false);
    const ArgbImage transparent = colourPattern(true);
    const ArgbImage rgb555 =
        patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF844221u, 0xFF214284u, 0xFFFF8400u}, 7, 10);
    const ArgbImage rgb565 =
        patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF844142u, 0xFF428284u, 0xFFFF4100u}, 7, 10);
    // Colours with alpha 0 throughout: a 32-bit file without masks that
    // leaves its alpha bytes 0 is opaque.
    ArgbImage noAlpha = colours;
    std::vector<std::uint32_t> opaque;
    for (std::uint32_t& pixel : noAlpha.pixels) {
        opaque.push_back(pixel | 0xFF000000u);
        pixel &= 0x00FFFFFFu;
    }
    const std::array<std::uint32_t, 4> bgra = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
    const std::array<std::uint32_t, 4> tenBits = {0x3FF00000u, 0x000FFC00u, 0x000003FFu,
                                                  0xC0000000u};
    const std::array<std::uint32_t, 4> rgb565Masks = {0xF800u, 0x07E0u, 0x001Fu, 0};
    using enum BmpHeader;
    using enum BmpCompression;
    const std::vector<BmpCase> cases = {
        {"1-bit", {.bitsPerPixel = 1}, twoColours, {}},
        {"1-bit OS/2 1.x", {.bitsPerPixel = 1, .header = Core}, twoColours, {}},
        {"4-bit", {.bitsPerPixel = 4}, colours, {}},
        {"8-bit top-down", {.bitsPerPixel = 8, .topDown = true}, colours, {}},
        {"8-bit OS/2 2.x", {.bitsPerPixel = 8, .header = Os2}, colours, {}},
        {"8-bit V5", {.bitsPerPixel = 8, .header = V5}, colours, {}},
        {"16-bit 5-5-5", {.bitsPerPixel = 16}, rgb555, {}},
        {"16-bit 5-6-5 bitfields",
         {.bitsPerPixel = 16, .compression = BitFields, .masks = rgb565Masks},
         rgb565,
         {}},
        {"24-bit top-down", {.bitsPerPixel = 24, .topDown = true}, colours, {}},
        {"24-bit OS/2 1.x", {.bitsPerPixel = 24, .header = Core}, colours, {}},
        {"32-bit with alpha", {.bitsPerPixel = 32}, transparent, {}},
        {"32-bit alpha all 0", {.bitsPerPixel = 32}, noAlpha, opaque},
        {"32-bit V4 bitfields with alpha, top-down",
         {.bitsPerPixel = 32,
          .header = V4,
          .compression = BitFields,
          .masks = bgra,
          .topDown = true},
         transparent,
         {}},
        {"32-bit V5 bitfields, no alpha mask",
         {.bitsPerPixel = 32,
          .header = V5,
          .compression = BitFields,
          .masks = {bgra[0], bgra[1], bgra[2], 0}},
         noAlpha,
         opaque},
        {"32-bit 10-10-10-2 alpha bitfields",
         {.bitsPerPixel = 32, .compression = AlphaBitFields, .masks = tenBits},
         transparent,
         {}},
    };
    TemporaryDirectory directory;
    for (const BmpCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = directory.path() + "/image.bmp";
        writeBmp(path, c.written, c.layout);
        EXPECT_EQ(loadedPixels(path), c.expected.empty() ? c.written.pixels : c.expected);
    }
}

// Damage that a BMP decoder must not paper over: each of these is refused
// rather than read as some picture.
TEST(ImageFile, BmpWithIndicesBeyondItsPaletteOrNonsenseHeadersIsRefused) {
    const ArgbImage threeColours = patternOf({0xFF000000u, 0xFFFFFFFFu, 0xFF808080u}, 9, 4);
    const std::string valid = bmpBytes(threeColours, {.bitsPerPixel = 8});
    const auto patched = [&](std::size_t offset, std::uint32_t value, int bytes) {
        std::string file = valid;
        std::string field;
        appendLittleEndian(field, value, bytes);
        file.replace(offset, static_cast<std::size_t>(bytes), field);
        return file;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"8-bit, two palette entries for three colours",
         bmpBytes(threeColours, {.bitsPerPixel = 8, .paletteEntries = 2})},
        {"1-bit, one palette entry",
         bmpBytes(patternOf({0xFF000000u, 0xFFFFFFFFu}, 9, 4),
                  {.bitsPerPixel = 1, .header = BmpHeader::Core, .paletteEntries = 1})},
        {"pixel data one byte short", valid.substr(0, valid.size() - 1)},
        {"unknown header size", patched(14, 100, 4)},
        {"no width", patched(18, 0, 4)},
        {"two planes", patched(26, 2, 2)},
        {"2 bits a pixel", patched(28, 2, 2)},
        {"run-length compressed", patched(30, 1, 4)},
        {"pixels inside the header", patched(10, 20, 4)},
        {"mask with a gap",
         bmpBytes(threeColours, {.bitsPerPixel = 32,
                                 .compression = BmpCompression::BitFields,
                                 .masks = {0x00FF00FFu, 0x0000FF00u, 0xFF000000u, 0}})},
    };
    TemporaryDirectory directory;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = directory.write("bad.bmp", bytes);
        Gdiplus::GpImage loaded;
        EXPECT_FALSE(loadImageFile(path.c_str(), loaded));
    }
}

// A progressive grey JPEG whose first scan, the DC coefficients, comes
// `scans` times over. The scan is cut from a file libjpeg wrote, from its
// header to the next marker, and its successive-approximation byte set to
// give the coefficients whole (Ah = Al = 0): then every repeat is valid and
// sets the same coefficients again, and only the number of scans is amiss.
std::string jpegWithScans(int scans) {
    const std::string jpeg =
        jpegBytes(blockPattern(), JpegLayout::Grey, 100, JpegCoding::Progressive);
    const std::size_t start = jpeg.find("\xFF\xDA");
    const std::size_t headerEnd = start + 2 +
                                  (static_cast<std::uint8_t>(jpeg[start + 2]) << 8 |
                                   static_cast<std::uint8_t>(jpeg[start + 3]));
    // The coded data runs to the next 0xFF that is not followed by a stuffed
    // 0 or a restart marker.
    std::size_t end = headerEnd;
    for (;; ++end) {
        const auto next = static_cast<std::uint8_t>(jpeg.at(end + 1));
        if (jpeg[end] == '\xFF' && next != 0 && (next < 0xD0 || next > 0xD7)) {
            break;
        }
    }
    std::string scan = jpeg.substr(start, end - start);
    scan[headerEnd - start - 1] = '\0';
    std::string file = jpeg.substr(0, start);
    for (int i = 0; i < scans; ++i) {
        file += scan;
    }
    return file + "\xFF\xD9";
}

// Encoders write about ten scans; each scan passes over the whole image, so
// thousands of them would be made to cost time.
TEST(ImageFile, ProgressiveJpegOfThousandsOfScansIsRefused) {
    TemporaryDirectory directory;
    for (const auto& [scans, loads] :
         {std::pair{1, true}, {300, true}, {301, false}, {5000, false}}) {
        SCOPED_TRACE(scans);
        const std::string path = directory.write("scans.jpg", jpegWithScans(scans));
        Gdiplus::GpImage loaded;
        EXPECT_EQ(loadImageFile(path.c_str(), loaded), loads);
    }
}

// libjpeg keeps a progressive file's coefficients for the whole image, 2
// bytes for each sample of each component: with room for a baseline file's
// decode and 200 KiB more, the same picture in progressive form (384 KiB of
// coefficients) is refused.
TEST(ImageFile, ProgressiveJpegCoefficientsCountAgainstTheBudget) {
    const ArgbImage picture = solidImage(256, 256, 0xFF808080u);
    const std::uint64_t imageShare = 256 * 256 * ostrel2::tessoran::platform::kBudgetBytesPerPixel +
                                     256 * ostrel2::tessoran::platform::kScanLineBytesPerColumn;
    for (const auto& [coding, loads] :
         {std::pair{JpegCoding::Baseline, true}, {JpegCoding::Progressive, false}}) {
        const std::string jpeg = jpegBytes(picture, JpegLayout::Colour, 100, coding);
        ostrel2::tessoran::platform::DecodeBudget budget;
        ASSERT_TRUE(budget.take(budget.remaining() - imageShare - 200 * 1024));
        Gdiplus::GpImage loaded;
        EXPECT_EQ(ostrel2::tessoran::platform::decodeJpeg(
                      std::span(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size()),
                      budget, loaded),
                  loads);
    }
}

TEST(ImageFile, CmykJpegIsRefusedRatherThanGuessed) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/cmyk.jpg";
    writeJpeg(path, blockPattern(), JpegLayout::Cmyk);
    Gdiplus::GpImage loaded;
    EXPECT_FALSE(loadImageFile(path.c_str(), loaded));
}

TEST(ImageFile, FilesThatAreNoImageAreRefusedAndLeaveTheImageAlone) {
    TemporaryDirectory directory;
    const std::string png = directory.path() + "/ok.png";
    writePng(png, solidImage(2, 3, kOpaqueBlack), PngLayout::Rgb8);
    const std::string pngBytes = readFileBytes(png);

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"missing", directory.path() + "/no-such-file.png"},
        {"directory", directory.path()},
        {"empty", directory.write("empty.png", "")},
        {"text", directory.write("text.png", "Hello, world: no picture here.\n")},
        {"bar string", directory.write("bars.bmp", "0123456789ABCDEF\n")},
        {"signature only", directory.write("signature.png", pngBytes.substr(0, 8))},
        {"gif signature only", directory.write("sig.gif", "GIF89a")},
        {"bmp signature only", directory.write("sig.bmp", "BM")},
        {"tiff signature only", directory.write("sig.tif", std::string("II*\0", 4))},
        {"jpeg signature only", directory.write("sig.jpg", "\xFF\xD8\xFF")},
        // Formats that other libraries read, without a signature of ours.
        {"tga", directory.write("image.tga", std::string("\x00\x00\x02\x00\x00\x00\x00\x00"
                                                         "\x00\x00\x00\x00\x01\x00\x01\x00"
                                                         "\x18\x00\x00\x00\x00",
                                                         21))},
        {"pnm", directory.write("image.ppm", std::string("P6\n1 1\n255\n\0\0\0", 14))},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        Gdiplus::GpImage image;
        image.width = 5;
        image.height = 1;
        image.pixels = Gdiplus::PixelBuffer(5);
        std::fill(image.pixels.begin(), image.pixels.end(), 0x12345678u);
        EXPECT_FALSE(loadImageFile(path.c_str(), image));
        EXPECT_EQ(image.width, 5);
        EXPECT_EQ(image.height, 1);
        EXPECT_EQ(std::vector<std::uint32_t>(image.pixels.begin(), image.pixels.end()),
                  std::vector<std::uint32_t>(5, 0x12345678u));
    }
}

TEST(ImageFile, TruncatedFilesOfEachFormatAreRefused) {
    TemporaryDirectory directory;
    // Enough pixels that every format's pixel data spans many bytes.
    ArgbImage noise = solidImage(40, 40, kOpaqueWhite);
    for (std::size_t i = 0; i < noise.pixels.size(); ++i) {
        noise.pixels[i] =
            ((i * 7919) % 13 < 6) ? kOpaqueBlack : 0xFF808080u + static_cast<std::uint32_t>(i % 5);
    }
    for (const FormatCase& format : formatCases()) {
        SCOPED_TRACE(format.name);
        const std::string path = directory.path() + "/" + format.name;
        format.write(path, format.lossless ? noise : blockPattern());
        const std::string whole = readFileBytes(path);
        for (const std::size_t length :
             {whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4}) {
            SCOPED_TRACE(length);
            const std::string cut = directory.write("cut", whole.substr(0, length));
            Gdiplus::GpImage loaded;
            EXPECT_FALSE(loadImageFile(cut.c_str(), loaded));
        }
    }
}

// The largest screen and frame a GIF can declare, 65535 x 65535, or a small
// screen with such a frame.
std::string hugeGif(std::uint32_t screenSide) {
    std::string gif = "GIF89a";
    appendLittleEndian(gif, screenSide, 2);
    appendLittleEndian(gif, screenSide, 2);
    gif += std::string("\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF", 9);
    gif += std::string("\x2C\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00\x02", 11);
    gif += std::string("\x02\x44\x0A\x00\x3B", 5);
    return gif;
}

std::string hugeTiff() {
    std::string tiff("II*\0", 4);
    appendLittleEndian(tiff, 8, 4);
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    const Entry entries[] = {{256, 4, 100000}, {257, 4, 100000}, {258, 3, 8},
                             {259, 3, 1},      {262, 3, 1},      {273, 4, 8},
                             {277, 3, 1},      {278, 4, 100000}, {279, 4, 0xFFFFFFF0u}};
    appendLittleEndian(tiff, std::size(entries), 2);
    for (const Entry& entry : entries) {
        appendLittleEndian(tiff, entry.tag, 2);
        appendLittleEndian(tiff, entry.type, 2);
        appendLittleEndian(tiff, 1, 4);
        appendLittleEndian(tiff, entry.value, 4);
    }
    appendLittleEndian(tiff, 0, 4);
    return tiff;
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(ImageFile, HeadersDeclaringHugeImagesAreRefusedWithoutTheMemory) {
    TemporaryDirectory directory;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"png", directory.write("huge.png", pngHeaderOnly(100000, 100000))},
        {"bmp", directory.write("huge.bmp", bmpHeaderOnly(100000, 100000))},
        {"gif", directory.write("huge.gif", hugeGif(65535))},
        {"gif frame beyond a small screen", directory.write("frame.gif", hugeGif(16))},
        {"tiff", directory.write("huge.tif", hugeTiff())},
        {"progressive jpeg", directory.write("huge.jpg", progressiveJpegDeclaring(16384, 16384))},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        const long peakBefore = peakResidentKilobytes();
        Gdiplus::GpImage loaded;
        EXPECT_FALSE(loadImageFile(path.c_str(), loaded));
        EXPECT_LT(peakResidentKilobytes() - peakBefore, 64 * 1024);
        EXPECT_EQ(loaded.pixels.size(), 0u);
    }
}

// 6 bytes a pixel and 16 a column within 1 GiB.
TEST(ImageFile, DecodeBudgetIsOneGibibyteWithoutOverflow) {
    struct Case {
        std::uint64_t width, height;
        bool fits;
    };
    const Case cases[] = {
        {1, 1, true},
        {13376, 13376, true},  // 1,073,718,272 bytes
        {13377, 13376, false},
        {13376, 13377, false},
        {16384, 16384, false},  // 1 GiB of ARGB alone
        {1, 178956968, true},   // exactly 1 GiB
        {1, 178956969, false},
        {48806446, 1, true},  // 22 bytes each: 1,073,741,812
        {48806447, 1, false},
        {0, 5, false},
        {5, 0, false},
        {std::uint64_t{1} << 32, std::uint64_t{1} << 32, false},  // product wraps to 0
        {100000, 100000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitsDecodeBudget(c.width, c.height), c.fits) << c.width << " x " << c.height;
    }
}

}  // namespace
}  // namespace tessoran_test
