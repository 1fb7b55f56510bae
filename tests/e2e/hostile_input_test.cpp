// SPDX-License-Identifier: Apache-2.0
// Inputs made to cost time or memory end with their message and status, in memory
// near what the input warrants; the time limits only guard against hangs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace std::chrono_literals;

// "HELLO WORLD" in text compaction (upper-case letters, space 26, pad 29).
const std::vector<int> kHelloWorld = textCodewords({7, 4, 11, 11, 14, 26, 22, 14, 17, 11, 3});
// A small symbol of it, drawn, and what the program prints for it; made in
// each test, after the encoder's own tables.
struct SmallSymbol {
    Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    PixelGrid grid = renderSymbol(symbol, {.moduleWidth = 2, .rowHeight = 6});
    std::string decoded = sizeLine(symbol) + "HELLO WORLD";
};

// Memory is checked through the Windows launcher only when asked, with room
// for the launcher itself.
void expectEnding(const RunOutcome& run, int status, const std::string& out, const std::string& err,
                  long memoryLimitKiB, bool throughLauncherToo = false) {
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, status);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, expectedBanner() + err);
    if (!kUnderAddressSanitizer && (throughLauncherToo || !runsThroughLauncher())) {
        EXPECT_LT(run.peakMemoryKiB, memoryLimitKiB + (runsThroughLauncher() ? 192 * 1024 : 0));
    }
}

// Endless text is refused once it passes the largest image's pixel count in
// modules (four a character), in memory for about that much; memory that runs
// out first (a 48 MiB address space) ends the run with a message, not an abort.
TEST(HostileInput, EndlessBarStrings) {
    TemporaryDirectory directory;
    const std::string endless = directory.path() + "/zero.txt";
    std::filesystem::create_symlink("/dev/zero", endless);
    const long limitKiB = 128 * 1024;
    const std::string tooLarge = "The bar string is too large.\n";
    expectEnding(runTessoran({"-i"}, InputFile{"/dev/zero"}, 60s), 2, kPrompt, tooLarge, limitKiB);
    expectEnding(runTessoran({endless}, std::nullopt, 60s), 2, "", tooLarge, limitKiB);
    if (!kUnderAddressSanitizer && !runsThroughLauncher()) {
        expectEnding(runTessoran({"-i"}, InputFile{"/dev/zero"}, 60s,
                                 {.addressSpaceBytes = std::uint64_t{48} << 20}),
                     2, kPrompt, "Out of memory.\n", limitKiB);
    }
}

// A grey PNG of `grid` whose stream goes on after the last row with `blocks`
// blocks of 1 MiB of zeros (each after a full flush, so that it repeats as it
// is), and that holds `texts` zTXt chunks of 7 MiB of zeros before its pixels.
std::string pngOutOfProportion(const PixelGrid& grid, int blocks, int texts) {
    z_stream stream{};
    deflateInit(&stream, 9);
    const auto deflated = [&stream](std::string input, int flush) {
        std::string out(deflateBound(&stream, static_cast<uLong>(input.size())) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(input.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        return out;
    };
    const std::string text =
        std::string("Comment\0\0", 9) + deflated(std::string(std::size_t{7} << 20, '\0'), Z_FINISH);
    deflateReset(&stream);
    std::string rows;
    for (std::size_t i = 0; i < grid.dark.size(); ++i) {
        if (i % static_cast<std::size_t>(grid.width) == 0) {
            rows.push_back('\0');  // no filter
        }
        rows.push_back(grid.dark[i] != 0 ? '\0' : '\xFF');
    }
    std::string data = deflated(rows, Z_FULL_FLUSH);
    // Deflated only when used: what it produces belongs to the stream.
    const std::string zeros =
        blocks > 0 ? deflated(std::string(std::size_t{1} << 20, '\0'), Z_FULL_FLUSH) : "";
    for (int i = 0; i < blocks; ++i) {
        data += zeros;
    }
    data += deflated("", Z_FINISH);
    deflateEnd(&stream);
    std::string file = pngHeaderOnly(static_cast<std::uint32_t>(grid.width),
                                     static_cast<std::uint32_t>(grid.height));
    for (int i = 0; i < texts; ++i) {
        appendPngChunk(file, "zTXt", text);
    }
    appendPngChunk(file, "IDAT", data);
    appendPngChunk(file, "IEND", "");
    return file;
}

// Work on a PNG is proportional to its image: inflating what followed the rows
// once took 19 s for 16.7 MB of it (here twice that), 900 zTXt chunks 160 s.
TEST(HostileInput, PngWorkIsProportionalToTheImage) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the Windows program reads PNG files with GDI+";
    }
    const SmallSymbol small;
    TemporaryDirectory directory;
    for (const auto& [blocks, texts] : {std::pair{32 * 1024, 0}, std::pair{0, 900}}) {
        const std::string png = pngOutOfProportion(small.grid, blocks, texts);
        expectEnding(runTessoran({directory.write("outsized.png", png)}, std::nullopt, 20s), 0,
                     small.decoded, "", 64 * 1024);
    }
}

// An image given as a FIFO or as standard input is read once, to its end, as
// it arrives; an endless stream that shows no image format in its first bytes
// is refused at once.
TEST(HostileInput, ImagesFromStreams) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "/dev/stdin and FIFOs are paths of POSIX systems";
    }
    const SmallSymbol small;
    TemporaryDirectory directory;
    const std::string png = directory.path() + "/symbol.png";
    writePng(png, argbFromGrid(small.grid), PngLayout::Grey8);
    expectEnding(runTessoran({"/dev/stdin"}, readFileBytes(png), 20s), 0, small.decoded, "",
                 64 * 1024);
    const std::string fifo = directory.path() + "/symbol.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The shell waits for the program to open the FIFO. Should it never do
    // so, a reading end opened and closed here afterwards lets it go.
    FILE* writer = popen(("cat '" + png + "' > '" + fifo + "'").c_str(), "r");
    ASSERT_NE(writer, nullptr);
    const RunOutcome run = runTessoran({fifo}, std::nullopt, 20s);
    close(open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    pclose(writer);
    expectEnding(run, 0, small.decoded, "", 64 * 1024);
    expectEnding(runTessoran({"/dev/zero"}, std::nullopt, 20s), 2, "", kNotLoaded, 64 * 1024);
}

// Specks that formed a group of their own below the symbol once made the
// size line read 11 rows of 3 columns for this symbol of 10 rows of 4 (8 and
// 10 in a thousand, seeds 21 and 13); heavy noise fails, never misreads.
TEST(HostileInput, SymbolCoveredWithNoise) {
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 4, 4, 10);
    const PixelGrid clean = renderSymbol(symbol, {.moduleWidth = 3, .rowHeight = 9});
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/noisy.png";
    for (const auto& [permille, seed, decodes] :
         {std::tuple{5, 1u, true}, {8, 21u, true}, {10, 13u, true}, {200, 1u, false}}) {
        SCOPED_TRACE(std::to_string(permille) + " in 1000, seed " + std::to_string(seed));
        PixelGrid grid = clean;
        std::mt19937 random(seed);
        for (std::uint8_t& dark : grid.dark) {
            if (static_cast<int>(random() % 1000) < permille) {
                dark = dark != 0 ? 0 : 1;
            }
        }
        writePng(path, argbFromGrid(grid), PngLayout::Grey8);
        expectEnding(runTessoran({path}, std::nullopt, 20s), 0,
                     decodes ? sizeLine(symbol) + "HELLO WORLD" : "", decodes ? "" : kFailed,
                     64 * 1024);
    }
}

// A 10,000 x 10,000 picture decodes in memory near its pixels (four bytes
// each) and its file. Pictures as large made to keep a reader busy (noise, all
// edges; bars of varied widths, edges by the thousand a line) fail in memory
// near the pixels and the capture reader's grey copy (five bytes a pixel).
TEST(HostileInput, TenThousandPixelsSquare) {
    constexpr int kSide = 10000;
    // 78 rows of 10 columns, 41 pixels a module and 123 a row: 9,799 x 9,594.
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 4, 10, 78);
    const PixelGrid grid =
        renderSymbol(symbol, {.moduleWidth = 41, .rowHeight = 123, .quietZone = 0});
    const int left = (kSide - grid.width) / 2;
    const int top = (kSide - grid.height) / 2;
    std::uint32_t state = 12345;
    const std::tuple<const char*, std::function<std::uint8_t(int, int)>, std::string, long>
        pictures[] = {
            {"symbol",
             [&](int x, int y) {
                 const bool inside =
                     x >= left && x < left + grid.width && y >= top && y < top + grid.height;
                 return static_cast<std::uint8_t>(inside && grid.at(y - top, x - left) ? 0 : 255);
             },
             "78 Rows, 10 Cols, Error correction 4.\nHELLO WORLD", 4},
            {"noise",
             [&](int, int) {
                 state = state * 1664525u + 1013904223u;
                 return static_cast<std::uint8_t>(state >> 24);
             },
             "", 5},
            // Bars and spaces of 1 to 8 pixels, slanting slowly down the picture.
            {"stripes",
             [](int x, int y) {
                 const int position = x + y / 7;
                 return static_cast<std::uint8_t>(
                     (position / (1 + position / 97 % 8)) % 2 == 0 ? 30 : 225);
             },
             "", 5},
        };
    TemporaryDirectory directory;
    for (const auto& [name, pixelAt, out, bytesPerPixel] : pictures) {
        SCOPED_TRACE(name);
        const std::string png = pngBytes({.compressionLevel = 1}, kSide, kSide,
                                         [&](int y, std::vector<std::uint8_t>& row) {
                                             for (int x = 0; x < kSide; ++x) {
                                                 row[static_cast<std::size_t>(x)] = pixelAt(x, y);
                                             }
                                         });
        const RunOutcome run =
            runTessoran({directory.write("picture.png", png)}, std::nullopt, 300s);
        // Through the Windows launcher only the symbol's memory is known.
        expectEnding(
            run, 0, out, out.empty() ? kFailed : "",
            bytesPerPixel * kSide * kSide / 1024 + static_cast<long>(png.size() / 1024) + 64 * 1024,
            bytesPerPixel == 4);
    }
}

// A bilevel TIFF of width x height white pixels, deflated, written a row at a
// time: a few kilobytes for hundreds of millions of pixels.
void writeBilevelTiff(const std::string& path, std::uint32_t width, std::uint32_t height) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t{1});
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t{1});
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, std::uint16_t{PHOTOMETRIC_MINISWHITE});
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, std::uint16_t{COMPRESSION_ADOBE_DEFLATE});
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::min<std::uint32_t>(height, 64));
    std::vector<unsigned char> row((width + 7) / 8, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
    }
    TIFFClose(tiff);
}

// Each once took gigabytes (a quarter of a billion columns 3.7 GB, the square
// 2.1 GB); each is now weighed against the decode budget from its header.
TEST(HostileInput, ImagesBeyondTheDecodeBudgetAreRefusedWithoutItsMemory) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the decode budget belongs to the image layer of the POSIX program";
    }
    TemporaryDirectory directory;
    for (const auto& [width, height] : {std::pair{std::uint32_t{1} << 28, 1u}, {16384u, 16384u}}) {
        const std::string path = directory.path() + "/large.tif";
        writeBilevelTiff(path, width, height);
        expectEnding(runTessoran({path}, std::nullopt, 60s), 2, "", kNotLoaded, (1024 + 64) * 1024);
    }
}

}  // namespace
}  // namespace tessoran_test
