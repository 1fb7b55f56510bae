// Inputs made to cost the program time or memory: endless streams, noise,
// pictures of 100 million pixels and files whose headers or compressed data
// promise far more than they hold. Each run must end by itself with its
// message and status, in memory near what the input warrants; the time
// limits only guard against hangs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace std::chrono_literals;

const std::string kPrompt = "Enter barcode string below (V4 only):\n";
const std::string kNotLoaded = "file does not exist or is invalid.";
// "HELLO WORLD" in text compaction (upper-case letters, space 26, pad 29).
const std::vector<int> kHelloWorld = textCodewords({7, 4, 11, 11, 14, 26, 22, 14, 17, 11, 3});

void expectEnding(const RunOutcome& run, int status, const std::string& out, const std::string& err,
                  long memoryLimitKiB) {
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, status);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, expectedBanner() + err);
    if (!kUnderAddressSanitizer && !runsThroughLauncher()) {
        EXPECT_LT(run.peakMemoryKiB, memoryLimitKiB);
    }
}

ArgbImage symbolImage(const Pdf417Symbol& symbol) {
    return argbFromGrid(renderSymbol(symbol, {.moduleWidth = 2, .rowHeight = 6, .quietZone = 2}));
}

// A bar string is held to the largest image's pixel count in modules (four a
// character). Endless text is refused once it passes that, in memory for
// about that much text; memory that runs out first (a 48 MiB address space)
// ends the run with a message, never an abort.
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

// A grey PNG of `image` whose compressed stream goes on after the last row
// with `blocks` blocks that each inflate to 1 MiB of zeros, and that holds
// `texts` compressed text chunks of 7 MiB of zeros each before its pixels.
// Each block follows a full flush, so that it can be repeated as it is.
std::string pngOutOfProportion(const ArgbImage& image, int blocks, int texts) {
    std::string rows;
    for (int row = 0; row < image.height; ++row) {
        rows.push_back('\0');  // no filter
        for (int column = 0; column < image.width; ++column) {
            rows.push_back(static_cast<char>(image.at(row, column) & 0xFF));
        }
    }
    z_stream stream{};
    deflateInit(&stream, 9);
    const auto deflated = [&](std::string input, int flush) {
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
    std::string data = deflated(rows, Z_FULL_FLUSH);
    // Deflated only when used: what it produces belongs to the stream.
    const std::string zeros =
        blocks > 0 ? deflated(std::string(std::size_t{1} << 20, '\0'), Z_FULL_FLUSH) : "";
    for (int i = 0; i < blocks; ++i) {
        data += zeros;
    }
    data += deflated("", Z_FINISH);
    deflateEnd(&stream);
    std::string file = pngHeaderOnly(static_cast<std::uint32_t>(image.width),
                                     static_cast<std::uint32_t>(image.height));
    for (int i = 0; i < texts; ++i) {
        appendPngChunk(file, "zTXt", text);
    }
    appendPngChunk(file, "IDAT", data);
    appendPngChunk(file, "IEND", "");
    return file;
}

// Work on a PNG is proportional to its image: inflating what followed the
// rows once took 19 s for 16.7 MB of it (here twice that), and 900
// compressed text chunks took 160 s, though no text is ever shown. Neither is
// read now. The Windows program reads PNG files with GDI+.
TEST(HostileInput, PngWorkIsProportionalToTheImage) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the Windows program reads PNG files with GDI+";
    }
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    TemporaryDirectory directory;
    for (const auto& [blocks, texts] : {std::pair{32 * 1024, 0}, std::pair{0, 900}}) {
        const std::string path =
            directory.write("outsized.png", pngOutOfProportion(symbolImage(symbol), blocks, texts));
        expectEnding(runTessoran({path}, std::nullopt, 20s), 0, sizeLine(symbol) + "HELLO WORLD",
                     "", 64 * 1024);
    }
}

// An image given as a FIFO or as standard input is read once, to its end, as
// it arrives; an endless stream that shows no image format in its first bytes
// is refused at once.
TEST(HostileInput, ImagesFromStreams) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "/dev/stdin and FIFOs are paths of POSIX systems";
    }
    signal(SIGPIPE, SIG_IGN);
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    TemporaryDirectory directory;
    writePng(directory.path() + "/symbol.png", symbolImage(symbol), PngLayout::Grey8);
    const std::string bytes = readFileBytes(directory.path() + "/symbol.png");
    ASSERT_LT(bytes.size(), 65536u);  // the writer below never blocks on a pipe's buffer
    const std::string decoded = sizeLine(symbol) + "HELLO WORLD";
    expectEnding(runTessoran({"/dev/stdin"}, bytes, 20s), 0, decoded, "", 64 * 1024);

    const std::string fifo = directory.path() + "/symbol.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The writer waits for the program to open the FIFO. Should it never do
    // so, the reading end opened here afterwards lets the writer go.
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            static_cast<void>(write(fd, bytes.data(), bytes.size()));
            close(fd);
        }
    });
    const RunOutcome run = runTessoran({fifo}, std::nullopt, 20s);
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    if (release >= 0) {
        close(release);
    }
    expectEnding(run, 0, decoded, "", 64 * 1024);
    expectEnding(runTessoran({"/dev/zero"}, std::nullopt, 20s), 2, "", kNotLoaded, 64 * 1024);
}

// Noise ends a run with the symbol's data or with a failure, never anything
// else. Specks that formed a group of their own below the symbol once made
// the size line read 11 rows of 3 columns for this symbol of 10 rows of 4 (8
// and 10 in a thousand, seeds 21 and 13).
TEST(HostileInput, SymbolCoveredWithNoise) {
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 4, 4, 10);
    ASSERT_EQ(symbol.rows, 10);
    const PixelGrid clean = renderSymbol(symbol, {.moduleWidth = 3, .rowHeight = 9});
    const std::string decoded = sizeLine(symbol) + "HELLO WORLD";
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/noisy.png";
    struct Noise {
        int permille;
        std::uint32_t seed;
        int decodes;  // 1 decodes, 0 fails, -1 either
    };
    std::vector<Noise> cases = {{5, 1, 1}, {8, 21, 1}, {10, 13, 1}, {200, 1, 0}};
    for (const int permille : {8, 10, 12, 20}) {
        for (std::uint32_t seed = 100; seed < 110; ++seed) {
            cases.push_back({permille, seed, -1});
        }
    }
    for (const Noise& noise : cases) {
        SCOPED_TRACE(std::to_string(noise.permille) + " in 1000, seed " +
                     std::to_string(noise.seed));
        PixelGrid grid = clean;
        std::mt19937 random(noise.seed);
        for (std::uint8_t& dark : grid.dark) {
            if (static_cast<int>(random() % 1000) < noise.permille) {
                dark = dark != 0 ? 0 : 1;
            }
        }
        writePng(path, argbFromGrid(grid), PngLayout::Grey8);
        const RunOutcome run = runTessoran({path}, std::nullopt, 20s);
        const bool decodes = noise.decodes == 1 || (noise.decodes == -1 && !run.out.empty());
        expectEnding(run, 0, decodes ? decoded : "", decodes ? "" : "Decoding failed.\n",
                     64 * 1024);
    }
}

constexpr int kSide = 10000;

// A 10,000 x 10,000 picture decodes in memory near its decoded pixels (four
// bytes each), not with copies or per-pixel bookkeeping. Pictures as large
// made to keep a reader busy (grey noise, where every pixel is an edge, and
// bars of varied widths, where every line has edges by the thousand) end as a
// picture without a symbol does, in memory near the pixels, the grey copy the
// capture reader reads (five bytes a pixel in all) and the file itself.
TEST(HostileInput, TenThousandPixelsSquare) {
    // 78 rows of 10 columns drawn 41 pixels a module and 123 a row: 9,799 x
    // 9,594 pixels.
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 4, 10, 78);
    std::vector<std::vector<bool>> modules;
    for (int row = 0; row < symbol.rows; ++row) {
        modules.push_back(rowModules(symbol, row));
    }
    const int symbolWidth = static_cast<int>(modules[0].size()) * 41;
    const int left = (kSide - symbolWidth) / 2;
    const int top = (kSide - symbol.rows * 123) / 2;
    struct Picture {
        const char* name;
        std::function<std::uint8_t(int, int, std::uint32_t&)> pixelAt;
        std::string out;
        std::string err;
        long bytesPerPixel;
    };
    const std::vector<Picture> pictures = {
        {"symbol",
         [&](int x, int y, std::uint32_t&) {
             const bool inside =
                 y >= top && y < top + symbol.rows * 123 && x >= left && x < left + symbolWidth;
             return static_cast<std::uint8_t>(
                 inside && modules[static_cast<std::size_t>((y - top) / 123)]
                                  [static_cast<std::size_t>((x - left) / 41)]
                     ? 0
                     : 255);
         },
         "78 Rows, 10 Cols, Error correction 4.\nHELLO WORLD", "", 4},
        {"noise",
         [](int, int, std::uint32_t& state) {
             state = state * 1664525u + 1013904223u;
             return static_cast<std::uint8_t>(state >> 24);
         },
         "", "Decoding failed.\n", 5},
        // Bars and spaces of 1 to 8 pixels, slanting slowly down the picture.
        {"stripes",
         [](int x, int y, std::uint32_t&) {
             const int position = x + y / 7;
             return static_cast<std::uint8_t>((position / (1 + position / 97 % 8)) % 2 == 0 ? 30
                                                                                            : 225);
         },
         "", "Decoding failed.\n", 5},
    };
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name);
        TemporaryDirectory directory;
        const std::string path = directory.path() + "/" + picture.name + ".png";
        std::uint32_t state = 12345;
        writeGreyPngByRows(path, kSide, kSide, [&](int y, std::vector<std::uint8_t>& row) {
            for (int x = 0; x < kSide; ++x) {
                row[static_cast<std::size_t>(x)] = picture.pixelAt(x, y, state);
            }
        });
        const long fileKiB = static_cast<long>(std::filesystem::file_size(path) / 1024);
        const RunOutcome run = runTessoran({path}, std::nullopt, 300s);
        std::printf("10,000 x 10,000 %s: %lld ms, peak resident %ld KiB\n", picture.name,
                    static_cast<long long>(run.wallTime.count()), run.peakMemoryKiB);
        const long launcherKiB = runsThroughLauncher() ? 192 * 1024 : 0;
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, picture.out);
        EXPECT_EQ(run.err, expectedBanner() + picture.err);
        if (!kUnderAddressSanitizer && (picture.bytesPerPixel == 4 || !runsThroughLauncher())) {
            EXPECT_LT(run.peakMemoryKiB, picture.bytesPerPixel * kSide * kSide / 1024 + fileKiB +
                                             64 * 1024 + launcherKiB);
        }
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

// A complete 1-bit BMP of side x side pixels, all of its first colour.
std::string bilevelBmp(std::uint32_t side) {
    const std::uint32_t rowBytes = (side + 31) / 32 * 4;
    std::string file = "BM";
    for (const std::uint32_t field : {62 + rowBytes * side, 0u, 62u, 40u, side, side}) {
        appendLittleEndian(file, field, 4);
    }
    appendLittleEndian(file, 1, 2);  // planes
    appendLittleEndian(file, 1, 2);  // bits a pixel
    for (const std::uint32_t field : {0u, rowBytes * side, 2835u, 2835u, 2u, 0u, 0xFFFFFFu, 0u}) {
        appendLittleEndian(file, field, 4);  // ... and a palette of white and black
    }
    return file + std::string(static_cast<std::size_t>(rowBytes) * side, '\0');
}

// Each of these once drove the program to gigabytes (a quarter of a billion
// columns 3.7 GB, the progressive JPEG 2.6 GB, the square BMP and TIFF 2.1 GB):
// per-column arrays and coefficient buffers came on top of the pixels. Now
// each is weighed against the 1 GiB decode budget from its header and
// refused. GDI+ has limits of its own.
TEST(HostileInput, ImagesBeyondTheDecodeBudgetAreRefusedWithoutItsMemory) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the decode budget belongs to the image layer of the POSIX program";
    }
    TemporaryDirectory directory;
    const std::string dir = directory.path() + "/";
    writeBilevelTiff(dir + "wide.tif", std::uint32_t{1} << 28, 1);
    writeBilevelTiff(dir + "square.tif", 16384, 16384);
    for (const std::string& path :
         {dir + "wide.tif", dir + "square.tif", directory.write("square.bmp", bilevelBmp(16384)),
          directory.write("square.jpg", progressiveJpegDeclaring(16384, 16384))}) {
        SCOPED_TRACE(path);
        const RunOutcome run = runTessoran({path}, std::nullopt, 60s);
        std::printf("%s: peak resident %ld KiB\n", path.c_str(), run.peakMemoryKiB);
        expectEnding(run, 2, "", kNotLoaded, (1024 + 64) * 1024);
    }
}

}  // namespace
}  // namespace tessoran_test
