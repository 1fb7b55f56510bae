// SPDX-License-Identifier: Apache-2.0
// The C interface end to end, through the shared library as another program
// links it: symbols from image files, encoded images in memory and pixel
// buffers, every status and hostile arguments.

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/ProgramRunner.h"
#include "tessoran/tessoran.h"

namespace tessoran_test {
namespace {

using Decode = std::function<tessoran_status(tessoran_result**)>;

// "HELLO" in text compaction, then five single bytes under the byte latch:
// data with a 0 byte and bytes above 127.
const std::string kData = std::string("HELLO") + '\0' + "\xFF\x80\n\r";
std::vector<int> dataCodewords() {
    std::vector<int> codewords = textCodewords({7, 4, 11, 11, 14});
    codewords.insert(codewords.end(), {901, 0, 255, 128, 10, 13});  // 901: the byte latch
    return codewords;
}

ArgbImage uprightImage(const Pdf417Symbol& symbol) {
    return argbFromGrid(renderSymbol(symbol, {2, 6, 4}));
}

// A decode of `image`'s pixels in one of the library's formats, each row
// followed by `padding` bytes of 0 that are no pixels.
Decode pixelsOf(const ArgbImage& image, tessoran_pixel_format format, int padding) {
    // Where each byte of a pixel comes from in an ARGB value, by its shift.
    const std::vector<int> shifts = format == TESSORAN_GREY8    ? std::vector<int>{8}
                                    : format == TESSORAN_RGB24  ? std::vector<int>{16, 8, 0}
                                    : format == TESSORAN_BGRA32 ? std::vector<int>{0, 8, 16, 24}
                                                                : std::vector<int>{16, 8, 0, 24};
    std::vector<unsigned char> bytes;
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            for (const int shift : shifts) {
                bytes.push_back(static_cast<unsigned char>(image.at(row, column) >> shift));
            }
        }
        bytes.insert(bytes.end(), static_cast<std::size_t>(padding), 0);
    }
    const int stride = image.width * static_cast<int>(shifts.size()) + padding;
    return [bytes, width = image.width, height = image.height, stride,
            format](tessoran_result** result) {
        return tessoran_decode_pixels(bytes.data(), width, height, stride, format, result);
    };
}

// What reaches file descriptors 1 and 2 from watchStandardStreams() to
// writtenToStandardStreams(): the library writes nothing there.
void watchStandardStreams() {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
}
std::string writtenToStandardStreams() {
    std::string out = testing::internal::GetCapturedStdout();
    return out + testing::internal::GetCapturedStderr();
}

Decode fromFile(const char* path) {
    return [path](tessoran_result** r) { return tessoran_decode_file(path, r); };
}
Decode fromMemory(const std::string& bytes) {
    return [bytes](tessoran_result** r) {
        return tessoran_decode_memory(bytes.data(), bytes.size(), r);
    };
}

struct DecodeCase {
    std::string name;
    Decode decode;
    tessoran_status expected = TESSORAN_OK;
};

// Every source the interface reads from, one symbol each, read to exactly its
// size and bytes. The upright symbol is read by the scan-line reader; the
// turned one and the one on a transparent page only by the capture reader.
// The image formats are the program's own, tested with it.
TEST(Library, ReadsTheSymbolOfEverySource) {
    const Pdf417Symbol symbol = encodeSymbol(dataCodewords(), 2, 3);
    const ArgbImage upright = uprightImage(symbol);
    const ArgbImage turned =
        renderPhoto(moduleRowsOf(symbol), kData, {.moduleSize = 3, .angleDegrees = 33}).image;
    const ArgbImage transparent =
        renderPhoto(moduleRowsOf(symbol), kData,
                    {.moduleSize = 3, .angleDegrees = 4, .transparentBackground = true})
            .image;
    TemporaryDirectory directory;
    const std::string png = directory.path() + "/symbol.png";
    writePng(png, upright, PngLayout::Rgb8);
    const std::vector<DecodeCase> cases = {
        {"file", fromFile(png.c_str())},
        {"memory", fromMemory(readFileBytes(png))},
        {"grey, rows padded", pixelsOf(upright, TESSORAN_GREY8, 13)},
        {"RGBA, rows padded", pixelsOf(upright, TESSORAN_RGBA32, 4 * 13)},
        {"RGB", pixelsOf(upright, TESSORAN_RGB24, 0)},
        {"BGRA", pixelsOf(upright, TESSORAN_BGRA32, 0)},
        {"turned RGBA, rows padded", pixelsOf(turned, TESSORAN_RGBA32, 8)},
        {"RGBA on a transparent page", pixelsOf(transparent, TESSORAN_RGBA32, 0)},
    };

    // The size line and the data, as the program prints them.
    const auto decoded = [](const DecodeCase& test) {
        tessoran_result* result = nullptr;
        const tessoran_status status = test.decode(&result);
        std::size_t length = 0;
        const unsigned char* data = tessoran_result_data(result, &length);
        std::string output = std::to_string(status) + ": ";
        if (status == TESSORAN_OK) {
            output += std::to_string(tessoran_result_rows(result)) + " Rows, " +
                      std::to_string(tessoran_result_columns(result)) + " Cols, Error correction " +
                      std::to_string(tessoran_result_ec_level(result)) + ".\n" +
                      std::string(reinterpret_cast<const char*>(data), length);
            EXPECT_EQ(data[length], 0) << test.name;
        }
        tessoran_result_free(result);
        return output;
    };
    const std::string expected = "0: " + sizeLine(symbol) + kData;
    // All at once, each on a thread of its own: calls share nothing.
    watchStandardStreams();
    std::vector<std::string> outputs(cases.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        threads.emplace_back([&, i] { outputs[i] = decoded(cases[i]); });
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        threads[i].join();
        EXPECT_EQ(outputs[i], expected) << cases[i].name;
    }
    EXPECT_EQ(writtenToStandardStreams(), "");
}

// The numbers of the statuses and pixel formats are the library's binary
// interface: programs built against an earlier header pass and compare them.
TEST(Library, PublicNumbersStayAsReleased) {
    const std::pair<int, int> numbers[] = {
        {TESSORAN_OK, 0},
        {TESSORAN_NO_SYMBOL, 1},
        {TESSORAN_UNCORRECTABLE, 2},
        {TESSORAN_MALFORMED_DATA, 3},
        {TESSORAN_BAD_INPUT, 4},
        {TESSORAN_OUT_OF_MEMORY, 5},
        {TESSORAN_GREY8, 1},
        {TESSORAN_RGB24, 2},
        {TESSORAN_RGBA32, 3},
        {TESSORAN_BGRA32, 4},
    };
    for (const auto& [value, released] : numbers) {
        EXPECT_EQ(value, released);
    }
}

// Each failure as its own status, with no result handed out and nothing
// written anywhere; arguments that cannot describe a picture are refused
// before anything is read through them.
TEST(Library, TellsEveryFailureApart) {
    Pdf417Symbol damaged = encodeSymbol(dataCodewords(), 0, 3);
    damaged.codewords[7] = (damaged.codewords[7] + 500) % 929;
    const ArgbImage turnedDamage =
        renderPhoto(moduleRowsOf(damaged), "", {.moduleSize = 3, .angleDegrees = 33}).image;
    std::vector<int> terminatorFirst = dataCodewords();
    terminatorFirst.insert(terminatorFirst.begin(), 922);  // the terminator, before the data
    const ArgbImage malformed = uprightImage(encodeSymbol(terminatorFirst, 2, 3));
    const Decode blank = pixelsOf(solidImage(300, 200, kOpaqueWhite), TESSORAN_RGB24, 0);
    TemporaryDirectory directory;
    const std::string missing = directory.path() + "/missing.png";
    const std::string textPage = directory.path() + "/page.png";
    writePng(textPage, renderTextPage(640, 480, 7), PngLayout::Rgb8, 1);
    const unsigned char tiny[16] = {};

    const auto pixels = [&tiny](int width, int height, int stride, tessoran_pixel_format format) {
        return [=](tessoran_result** r) {
            return tessoran_decode_pixels(tiny, width, height, stride, format, r);
        };
    };
    const std::vector<DecodeCase> cases = {
        {"blank pixels", blank, TESSORAN_NO_SYMBOL},
        {"a page of text", fromFile(textPage.c_str()), TESSORAN_NO_SYMBOL},
        {"a wrong codeword at level 0", pixelsOf(uprightImage(damaged), TESSORAN_GREY8, 0),
         TESSORAN_UNCORRECTABLE},
        // Turned, where only the capture reader finds it: its failure, not
        // the scan-line reader's "no symbol", is the answer.
        {"a wrong codeword at level 0, turned", pixelsOf(turnedDamage, TESSORAN_RGBA32, 0),
         TESSORAN_UNCORRECTABLE},
        {"a terminator first", pixelsOf(malformed, TESSORAN_GREY8, 0), TESSORAN_MALFORMED_DATA},
        {"a null path", fromFile(nullptr), TESSORAN_BAD_INPUT},
        {"a missing file", fromFile(missing.c_str()), TESSORAN_BAD_INPUT},
        {"a directory", fromFile(directory.path().c_str()), TESSORAN_BAD_INPUT},
        {"null bytes", [](tessoran_result** r) { return tessoran_decode_memory(nullptr, 100, r); },
         TESSORAN_BAD_INPUT},
        {"no bytes", fromMemory(""), TESSORAN_BAD_INPUT},
        {"text bytes", fromMemory("Hello, Tessoran! This is text, not an image."),
         TESSORAN_BAD_INPUT},
        {"more bytes than a decode may take",
         [&tiny](tessoran_result** r) {
             return tessoran_decode_memory(tiny, std::size_t{1} << 62, r);
         },
         TESSORAN_BAD_INPUT},
        {"null pixels",
         [](tessoran_result** r) { return tessoran_decode_pixels(nullptr, 4, 4, 4, 1, r); },
         TESSORAN_BAD_INPUT},
        {"no width", pixels(0, 4, 4, TESSORAN_GREY8), TESSORAN_BAD_INPUT},
        {"negative height", pixels(4, -4, 4, TESSORAN_GREY8), TESSORAN_BAD_INPUT},
        {"a stride shorter than a row", pixels(4, 4, 15, TESSORAN_RGBA32), TESSORAN_BAD_INPUT},
        {"a negative stride", pixels(4, 1, -16, TESSORAN_RGBA32), TESSORAN_BAD_INPUT},
        {"no such format", pixels(4, 4, 16, 0), TESSORAN_BAD_INPUT},
        {"another unknown format", pixels(4, 4, 16, 99), TESSORAN_BAD_INPUT},
        {"more pixels than a decode may take", pixels(100000, 100000, 100000, TESSORAN_GREY8),
         TESSORAN_BAD_INPUT},
        {"the largest sizes", pixels(2147483647, 2147483647, 2147483647, TESSORAN_BGRA32),
         TESSORAN_BAD_INPUT},
    };

    watchStandardStreams();
    for (const DecodeCase& test : cases) {
        SCOPED_TRACE(test.name);
        // Not left as the caller had it: a failure clears the result.
        tessoran_result* result = reinterpret_cast<tessoran_result*>(&directory);
        EXPECT_EQ(test.decode(&result), test.expected);
        EXPECT_EQ(result, nullptr);
        EXPECT_NE(std::string(tessoran_status_message(test.expected)), "unknown status");
    }
    // Nowhere to put a result, whatever the input.
    const std::string png = readFileBytes(sourcePath("examples/hello.png"));
    EXPECT_EQ(tessoran_decode_file(sourcePath("examples/hello.png").c_str(), nullptr),
              TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_decode_memory(png.data(), png.size(), nullptr), TESSORAN_BAD_INPUT);
    EXPECT_EQ(blank(nullptr), TESSORAN_BAD_INPUT);
    // A null result reads as empty.
    std::size_t length = 1;
    EXPECT_EQ(tessoran_result_data(nullptr, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(tessoran_result_rows(nullptr) + tessoran_result_columns(nullptr) +
                  tessoran_result_ec_level(nullptr),
              0);
    tessoran_result_free(nullptr);
    EXPECT_EQ(writtenToStandardStreams(), "");
}

// Memory that runs out while decoding is a status, not an end of the process:
// the picture fits the decode budget but not the memory left.
TEST(Library, MemoryThatRunsOutIsAStatus) {
    if (kUnderAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer reserves far more address space than any limit allows";
    }
    // A grey copy larger than the 64 MiB heaps that other threads' memory
    // came from, which could otherwise take it without new address space.
    const int width = 8400;
    const int height = 8400;
    const std::vector<unsigned char> white(static_cast<std::size_t>(width) * height, 255);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Memory that earlier tests freed is kept for reuse inside the
        // address space; give it back, and have large blocks mapped afresh,
        // so that the limit bounds what the decode takes.
        mallopt(M_MMAP_THRESHOLD, 128 << 10);
        malloc_trim(0);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        // Room for the scan-line reader's rows, not for a grey copy.
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (8 << 20);
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_AS, &bound);
        tessoran_result* result = nullptr;
        _exit(tessoran_decode_pixels(white.data(), width, height, width, TESSORAN_GREY8, &result));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), TESSORAN_OUT_OF_MEMORY);
}

}  // namespace
}  // namespace tessoran_test
