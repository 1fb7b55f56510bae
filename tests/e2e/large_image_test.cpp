// A 10,000 x 10,000 pixel image, made here at run time, decoded by the real
// program: it must finish, and its memory must stay near the decoded pixels
// (four bytes each) rather than grow with copies or per-pixel bookkeeping.

#include <gtest/gtest.h>
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

}  // namespace
}  // namespace tessoran_test
