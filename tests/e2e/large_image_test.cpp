// Large images, made here at run time, given to the real program. A
// 10,000 x 10,000 pixel image must decode in memory near its decoded pixels
// (four bytes each) rather than grow with copies or per-pixel bookkeeping;
// images whose decode would need more than the 1 GiB budget are refused
// without taking that memory.

#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace std::chrono_literals;

constexpr int kSide = 10000;

void appendBigEndian32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void writeChunk(std::ofstream& file, const char* type, const std::string& data) {
    std::string chunk;
    appendBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    chunk += typed;
    appendBigEndian32(
        chunk, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                static_cast<uInt>(typed.size()))));
    file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

// Writes an 8-bit grey PNG of width x height pixels whose rows `rowAt` fills
// one at a time, so that the picture is never held whole in memory.
void writeGreyPngByRows(const std::string& path, int width, int height,
                        const std::function<void(int, std::vector<std::uint8_t>&)>& rowAt) {
    std::ofstream file(path, std::ios::binary);
    file.write("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    appendBigEndian32(header, static_cast<std::uint32_t>(width));
    appendBigEndian32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, not interlaced
    writeChunk(file, "IHDR", header);

    z_stream stream{};
    if (deflateInit(&stream, 1) != Z_OK) {
        throw std::runtime_error("deflateInit failed");
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) + 1);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width));
    std::string packed(1 << 20, '\0');
    const auto pack = [&](int flush) {
        int result = Z_OK;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(packed.data());
            stream.avail_out = static_cast<uInt>(packed.size());
            result = deflate(&stream, flush);
            const std::size_t produced = packed.size() - stream.avail_out;
            if (produced > 0) {
                writeChunk(file, "IDAT", packed.substr(0, produced));
            }
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    };
    for (int y = 0; y < height; ++y) {
        rowAt(y, pixels);
        row[0] = 0;  // no filter
        std::copy(pixels.begin(), pixels.end(), row.begin() + 1);
        stream.next_in = row.data();
        stream.avail_in = static_cast<uInt>(row.size());
        pack(Z_NO_FLUSH);
    }
    pack(Z_FINISH);
    deflateEnd(&stream);
    writeChunk(file, "IEND", "");
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

TEST(LargeImage, TenThousandPixelsSquareDecodesInMemoryNearItsPixels) {
    // "HELLO WORLD" in text compaction, in a symbol of 78 rows of 10 columns
    // drawn 41 pixels a module and 123 pixels a row: 9,799 x 9,594 pixels.
    const Pdf417Symbol symbol = encodeSymbol(
        {7 * 30 + 4, 11 * 30 + 11, 14 * 30 + 26, 22 * 30 + 14, 17 * 30 + 11, 3 * 30 + 29}, 4, 10,
        78);
    ASSERT_EQ(symbol.rows, 78);
    constexpr int kModuleWidth = 41;
    constexpr int kRowHeight = 123;
    std::vector<std::vector<bool>> modules;
    for (int row = 0; row < symbol.rows; ++row) {
        modules.push_back(rowModules(symbol, row));
    }
    const int symbolWidth = static_cast<int>(modules[0].size()) * kModuleWidth;
    const int symbolHeight = symbol.rows * kRowHeight;
    ASSERT_LE(symbolWidth, kSide);
    ASSERT_LE(symbolHeight, kSide);
    const int left = (kSide - symbolWidth) / 2;
    const int top = (kSide - symbolHeight) / 2;

    TemporaryDirectory directory;
    const std::string path = directory.path() + "/large.png";
    writeGreyPngByRows(path, kSide, kSide, [&](int y, std::vector<std::uint8_t>& pixels) {
        std::fill(pixels.begin(), pixels.end(), std::uint8_t{255});
        if (y < top || y >= top + symbolHeight) {
            return;
        }
        const std::vector<bool>& row = modules[static_cast<std::size_t>((y - top) / kRowHeight)];
        for (int x = 0; x < symbolWidth; ++x) {
            if (row[static_cast<std::size_t>(x / kModuleWidth)]) {
                pixels[static_cast<std::size_t>(left + x)] = 0;
            }
        }
    });

    const RunOutcome run = runTessoran({path}, std::nullopt, 300s);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "78 Rows, 10 Cols, Error correction 4.\nHELLO WORLD");
    EXPECT_EQ(run.err, expectedBanner());

    constexpr long kPixelKiB = 4L * kSide * kSide / 1024;
    std::printf("10,000 x 10,000 pixels: %lld ms, peak resident %ld KiB (pixels %ld KiB)\n",
                static_cast<long long>(run.wallTime.count()), run.peakMemoryKiB, kPixelKiB);
    RecordProperty("wall_ms", static_cast<int>(run.wallTime.count()));
    RecordProperty("peak_kib", static_cast<int>(run.peakMemoryKiB));
    // Room for the program, the image library's buffers and one row of sums,
    // not for a second copy of the picture; a launcher (an emulator) brings
    // its own memory along.
    if (!kUnderAddressSanitizer) {
        const long allowanceKiB = (runsThroughLauncher() ? 192 : 64) * 1024;
        EXPECT_LT(run.peakMemoryKiB, kPixelKiB + allowanceKiB);
    }
}

// Pictures as large with no symbol in them, made to keep a reader busy: grey
// noise, where every pixel is an edge, and bars of varied widths, where every
// line has edges by the thousand. Both end as a picture without a symbol does,
// with memory near the pixels and the grey copy the capture reader reads
// (five bytes a pixel) and the file itself, which is read into memory. The
// time bound only guards against a hang; the benchmark reports the time.
TEST(LargeImage, TenThousandPixelsSquareOfNoiseOrStripesEndInMemoryNearItsPixels) {
    struct Picture {
        const char* name;
        std::function<std::uint8_t(int, int, std::uint32_t&)> pixelAt;
    };
    const std::vector<Picture> pictures = {
        {"noise",
         [](int, int, std::uint32_t& state) {
             state = state * 1664525u + 1013904223u;
             return static_cast<std::uint8_t>(state >> 24);
         }},
        {"stripes",
         [](int x, int y, std::uint32_t&) {
             // Bars and spaces of 1 to 8 pixels, slanting slowly down the picture.
             const int position = x + y / 7;
             return static_cast<std::uint8_t>((position / (1 + position / 97 % 8)) % 2 == 0 ? 30
                                                                                            : 225);
         }},
    };
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name);
        TemporaryDirectory directory;
        const std::string path = directory.path() + "/" + picture.name + ".png";
        std::uint32_t state = 12345;
        writeGreyPngByRows(path, kSide, kSide, [&](int y, std::vector<std::uint8_t>& pixels) {
            for (int x = 0; x < kSide; ++x) {
                pixels[static_cast<std::size_t>(x)] = picture.pixelAt(x, y, state);
            }
        });
        const long fileKiB = static_cast<long>(readFileBytes(path).size() / 1024);

        const RunOutcome run = runTessoran({path}, std::nullopt, 300s);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + "Decoding failed.\n");
        std::printf("10,000 x 10,000 %s: %lld ms, peak resident %ld KiB\n", picture.name,
                    static_cast<long long>(run.wallTime.count()), run.peakMemoryKiB);
        if (!kUnderAddressSanitizer && !runsThroughLauncher()) {
            constexpr long kPixelsAndGreyKiB = 5L * kSide * kSide / 1024;
            EXPECT_LT(run.peakMemoryKiB, kPixelsAndGreyKiB + fileKiB + 64 * 1024);
        }
    }
}

// A bilevel TIFF of width x height white pixels, deflated, written a row at a
// time: a few kilobytes for hundreds of millions of pixels.
void writeBilevelTiff(const std::string& path, std::uint32_t width, std::uint32_t height) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(1));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(1));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(PHOTOMETRIC_MINISWHITE));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(COMPRESSION_ADOBE_DEFLATE));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::min<std::uint32_t>(height, 64));
    std::vector<unsigned char> row((width + 7) / 8, 0);
    bool written = true;
    for (std::uint32_t y = 0; y < height && written; ++y) {
        written = TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
    }
    TIFFClose(tiff);
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

// A complete 1-bit BMP of side x side pixels, all of its first colour.
std::string bilevelBmp(std::uint32_t side) {
    const std::uint32_t rowBytes = (side + 31) / 32 * 4;
    const std::uint32_t pixelOffset = 14 + 40 + 8;
    std::string file = "BM";
    for (const std::uint32_t field : {pixelOffset + rowBytes * side, 0u, pixelOffset, 40u}) {
        appendLittleEndian(file, field, 4);
    }
    appendLittleEndian(file, side, 4);
    appendLittleEndian(file, side, 4);
    appendLittleEndian(file, 1, 2);  // planes
    appendLittleEndian(file, 1, 2);  // bits a pixel
    for (const std::uint32_t field : {0u, rowBytes * side, 2835u, 2835u, 2u, 0u}) {
        appendLittleEndian(file, field, 4);
    }
    appendLittleEndian(file, 0x00FFFFFFu, 4);  // white
    appendLittleEndian(file, 0x00000000u, 4);  // black
    return file + std::string(static_cast<std::size_t>(rowBytes) * side, '\0');
}

// Each of these once drove the program to gigabytes (a quarter of a billion
// columns 3.7 GB, the progressive JPEG 2.6 GB, the square BMP and TIFF
// 2.1 GB): per-column arrays and coefficient buffers came on top of the
// pixels, and a second decoded copy sat beside them. Now each is weighed
// against the budget from its header and refused; memory stays near the
// budget at most. The Windows program decodes images with GDI+, whose limits
// are its own.
TEST(LargeImage, ImagesBeyondTheDecodeBudgetAreRefusedWithoutItsMemory) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the decode budget belongs to the image layer of the POSIX program";
    }
    TemporaryDirectory directory;
    const std::string wideTiff = directory.path() + "/wide.tif";
    writeBilevelTiff(wideTiff, std::uint32_t{1} << 28, 1);
    const std::string squareTiff = directory.path() + "/square.tif";
    writeBilevelTiff(squareTiff, 16384, 16384);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"268,435,456 x 1 TIFF", wideTiff},
        {"16,384 x 16,384 progressive JPEG",
         directory.write("square.jpg", progressiveJpegDeclaring(16384, 16384))},
        {"16,384 x 16,384 BMP", directory.write("square.bmp", bilevelBmp(16384))},
        {"16,384 x 16,384 TIFF", squareTiff},
    };
    constexpr long kBudgetKiB = 1024 * 1024;
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        const RunOutcome run = runTessoran({path}, std::nullopt, 60s);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + "file does not exist or is invalid.");
        std::printf("%s: peak resident %ld KiB\n", name, run.peakMemoryKiB);
        if (!kUnderAddressSanitizer) {
            EXPECT_LT(run.peakMemoryKiB, kBudgetKiB + 64 * 1024);
        }
    }
}

}  // namespace
}  // namespace tessoran_test
