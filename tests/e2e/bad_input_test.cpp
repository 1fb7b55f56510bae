// Inputs that come from anywhere: odd, damaged, oversized or hostile bar
// strings and image files, given to the real program. Every run must end by
// itself, quickly and in little memory, with its message and status, and put
// nothing on standard output that the input does not warrant.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace std::chrono_literals;

// Far beyond what any of these inputs needs; it only stops a hang.
constexpr std::chrono::milliseconds kTimeLimit = 20s;
// None of these inputs warrants more than a few mebibytes of pixels; what
// this bound catches is memory taken on a header's word, gibibytes of it.
constexpr long kMemoryLimitKiB = (kUnderAddressSanitizer ? 512 : 64) * 1024;

const std::string kDecodingFailed = "Decoding failed.\n";
const std::string kLoadFailure = "file does not exist or is invalid.";

// "HELLO WORLD" in text compaction (upper-case letters, space 26, pad 29).
const std::vector<int> kHelloWorld = {7 * 30 + 4,   11 * 30 + 11, 14 * 30 + 26,
                                      22 * 30 + 14, 17 * 30 + 11, 3 * 30 + 29};

std::string sizeLine(const Pdf417Symbol& symbol) {
    return std::to_string(symbol.rows) + " Rows, " + std::to_string(symbol.columns) +
           " Cols, Error correction " + std::to_string(symbol.ecLevel) + ".\n";
}

// The stop on a character that is not a hexadecimal digit shows the
// character as a terminal may show it: a control character or a byte that is
// no UTF-8 on its own as \x and two hexadecimal digits.
std::string invalidCharacter(const std::string& shown) {
    return "Invalid character(" + shown + ") is encountered.\n";
}

// What a run ended with: exit status, standard output, and standard error
// after the banner.
struct Ending {
    int exitStatus;
    std::string out;
    std::string err;
};

RunOutcome runBounded(const std::vector<std::string>& arguments,
                      const std::optional<std::string>& standardInput = std::nullopt) {
    return runTessoran(arguments, standardInput, kTimeLimit);
}

void expectEnding(const RunOutcome& run, const Ending& expected) {
    EXPECT_FALSE(run.timedOut) << "still running after " << kTimeLimit.count() << " ms";
    EXPECT_EQ(run.exitStatus, expected.exitStatus);
    EXPECT_EQ(run.out, expected.out);
    EXPECT_EQ(run.err, expectedBanner() + expected.err);
    EXPECT_LT(run.peakMemoryKiB, kMemoryLimitKiB);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

struct TextCase {
    const char* name;
    std::string contents;
    Ending expected;
};

TEST(BadInput, BarStringTextsWithoutASymbol) {
    const std::string wide(100000, 'F');
    std::string noise;
    std::mt19937 random(17);
    for (int line = 0; line < 20000; ++line) {
        for (int column = 0; column < 120; ++column) {
            noise.push_back("0123456789ABCDEF"[random() % 16]);
        }
        noise.push_back('\n');
    }
    // The first character of the first line is the first one read.
    std::string zeroFirst(40, '0');
    zeroFirst[0] = '\0';
    const std::string light(40, '0');
    const std::vector<TextCase> cases = {
        {"a line of 100,000 digits", wide + "\n", {0, "", kDecodingFailed}},
        {"20,000 lines of random digits", noise, {0, "", kDecodingFailed}},
        {"a zero byte within the width",
         zeroFirst + "\n" + light + "\n",
         {10, "", invalidCharacter("\\x00")}},
        {"a byte above 127 within the width",
         light + "\n" + light.substr(0, 20) + "\xE9" + light.substr(21) + "\n",
         {10, "", invalidCharacter("\\xe9")}},
        {"an escape character within the width",
         light + "\n" + light.substr(0, 39) + "\x1b" + "\n",
         {10, "", invalidCharacter("\\x1b")}},
        {"only spaces", "      \n      \n", {10, "", invalidCharacter(" ")}},
    };
    TemporaryDirectory directory;
    for (const TextCase& test : cases) {
        SCOPED_TRACE(test.name);
        expectEnding(runBounded({directory.write("input.txt", test.contents)}), test.expected);
    }
}

// Characters past the width of a longer line are never read, and light lines
// around a symbol are no part of it: the symbol still decodes.
TEST(BadInput, BarStringSymbolsAmongLongLinesAndManyLightLines) {
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    const std::vector<std::string> lines = splitLines(toBarString(symbol));
    ASSERT_GE(lines.size(), 2u);
    const std::string light(lines[0].size(), '0');

    const auto withTail = [&](const std::string& tail) {
        std::vector<std::string> changed = lines;
        changed[1] += tail;
        return joinLines(changed);
    };
    std::vector<std::string> lightLines(20000, light);
    std::string highBytes;
    for (int value = 128; value < 256; ++value) {
        highBytes.push_back(static_cast<char>(value));
    }
    const std::vector<TextCase> cases = {
        {"a zero byte beyond the width", withTail(std::string(1, '\0') + "G"), {}},
        {"bytes above 127 beyond the width", withTail(highBytes), {}},
        {"a line of 100,000 characters", withTail(std::string(100000 - lines[1].size(), 'x')), {}},
        {"20,000 light lines after the symbol", toBarString(symbol) + joinLines(lightLines), {}},
        {"20,000 light lines before the symbol", joinLines(lightLines) + toBarString(symbol), {}},
    };
    TemporaryDirectory directory;
    for (const TextCase& test : cases) {
        SCOPED_TRACE(test.name);
        expectEnding(runBounded({directory.write("symbol.txt", test.contents)}),
                     {0, sizeLine(symbol) + "HELLO WORLD", ""});
    }
}

// A directory opens for reading on POSIX systems but cannot be read; it is no
// empty bar string but a file that could not be opened.
TEST(BadInput, DirectoryNamedLikeABarStringFile) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/folder.txt";
    ASSERT_EQ(std::filesystem::create_directory(path), true);
    expectEnding(runBounded({path}), {2, "", "Unable to open file " + path + ".\n"});
}

const std::string kPrompt = "Enter barcode string below (V4 only):\n";

// A bar string is held to the largest image's pixel count in modules (four a
// character): 2^28, or 64 MiB of characters. Endless text is refused once it
// passes that, in memory for about that much text.
TEST(BadInput, BarStringsBeyondTheGridLimit) {
    TemporaryDirectory directory;
    const std::string endlessFile = directory.path() + "/zero.txt";
    std::filesystem::create_symlink("/dev/zero", endlessFile);
    const long memoryLimitKiB =
        ((kUnderAddressSanitizer ? 512 : 128) + (runsThroughLauncher() ? 192 : 0)) * 1024;
    const std::vector<std::tuple<const char*, std::vector<std::string>,
                                 std::optional<StandardInput>, std::string>>
        cases = {
            {"-i from /dev/zero", {"-i"}, InputFile{"/dev/zero"}, kPrompt},
            {"a .txt file that is /dev/zero", {endlessFile}, std::nullopt, ""},
        };
    for (const auto& [what, arguments, input, out] : cases) {
        SCOPED_TRACE(what);
        const RunOutcome run = runTessoran(arguments, input, kTimeLimit);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, out);
        EXPECT_EQ(run.err, expectedBanner() + "The bar string is too large.\n");
        EXPECT_LT(run.peakMemoryKiB, memoryLimitKiB);
    }
}

// Memory that runs out ends the run with a message and status 2, never an
// abort: here the bar string's text outgrows a 48 MiB address space.
TEST(BadInput, MemoryRunningOutEndsTheRunWithItsMessage) {
    if (kUnderAddressSanitizer || runsThroughLauncher()) {
        GTEST_SKIP() << "the sanitizer's or the launcher's own address space passes the limit";
    }
    const RunOutcome run = runTessoran({"-i"}, InputFile{"/dev/zero"}, kTimeLimit,
                                       {.addressSpaceBytes = std::uint64_t{48} << 20});
    expectEnding(run, {2, kPrompt, "Out of memory.\n"});
}

ArgbImage symbolImage(const Pdf417Symbol& symbol) {
    return argbFromGrid(renderSymbol(symbol, {.moduleWidth = 2, .rowHeight = 6, .quietZone = 2}));
}

TEST(BadInput, ImageFilesThatDoNotLoad) {
    TemporaryDirectory directory;
    const ArgbImage symbol = symbolImage(encodeSymbol(kHelloWorld, 2, 3, 8));
    const auto truncated = [&](const std::string& name, const auto& writeFile) {
        const std::string path = directory.path() + "/" + name;
        writeFile(path);
        const std::string whole = readFileBytes(path);
        writeFileBytes(path, whole.substr(0, whole.size() / 2));
        return path;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"zero bytes", directory.write("empty.png", "")},
        {"100,000 x 100,000 PNG", directory.write("huge.png", pngHeaderOnly(100000, 100000))},
        {"100,000 x 100,000 BMP", directory.write("huge.bmp", bmpHeaderOnly(100000, 100000))},
        {"half a PNG",
         truncated("half.png",
                   [&](const std::string& path) { writePng(path, symbol, PngLayout::Rgb8); })},
        {"half a JPEG",
         truncated("half.jpg",
                   [&](const std::string& path) { writeJpeg(path, symbol, JpegLayout::Grey); })},
        {"half a GIF",
         truncated("half.gif", [&](const std::string& path) { writeGif(path, symbol); })},
        {"half a TIFF",
         truncated("half.tif",
                   [&](const std::string& path) { writeTiff(path, symbol, TiffLayout::Grey8); })},
        {"half a BMP",
         truncated("half.bmp",
                   [&](const std::string& path) { writeBmp(path, symbol, BmpLayout::Rgb24); })},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        expectEnding(runBounded({path}), {2, "", kLoadFailure});
    }
}

// Indices beyond a BMP's palette were once read from whatever memory lay past
// it. The Windows program reads BMP files with GDI+, which shows them in
// colours of its own choosing.
TEST(BadInput, BmpWithIndicesBeyondItsPalette) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the Windows program reads BMP files with GDI+";
    }
    TemporaryDirectory directory;
    const ArgbImage symbol = symbolImage(encodeSymbol(kHelloWorld, 2, 3, 8));
    const std::string path =
        directory.write("beyond.bmp", bmpBytes(symbol, {.bitsPerPixel = 8, .paletteEntries = 1}));
    expectEnding(runBounded({path}), {2, "", kLoadFailure});
}

TEST(BadInput, ImageFilesThatHoldASymbol) {
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    // Light pixels fully transparent: the colour counts, not the alpha.
    ArgbImage transparent = symbolImage(symbol);
    for (std::uint32_t& pixel : transparent.pixels) {
        if (pixel == kOpaqueWhite) {
            pixel = 0x00FFFFFFu;
        }
    }
    TemporaryDirectory directory;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"palette with transparency", directory.path() + "/transparent.png"},
        // The format is told by the content, not the name.
        {"PNG named .bmp", directory.path() + "/symbol.bmp"},
        {"GIF named .png", directory.path() + "/symbol.png"},
        {"BMP with rows from the top", directory.path() + "/top-down.bmp"},
        {"1-bit BMP of OS/2", directory.path() + "/os2.bmp"},
    };
    writePng(cases[0].second, transparent, PngLayout::Palette8);
    writePng(cases[1].second, symbolImage(symbol), PngLayout::Grey8);
    writeGif(cases[2].second, symbolImage(symbol));
    writeBmp(cases[3].second, symbolImage(symbol), {.bitsPerPixel = 8, .topDown = true});
    writeBmp(cases[4].second, symbolImage(symbol), {.bitsPerPixel = 1, .header = BmpHeader::Core});
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        expectEnding(runBounded({path}), {0, sizeLine(symbol) + "HELLO WORLD", ""});
    }
}

// A grey PNG of `image` whose compressed stream goes on after the last row
// with `blocks` blocks that each inflate to 1 MiB of zeros (the stream's end
// and checksum, past them, are not those of the rows), and that holds
// `texts` compressed text chunks of 7 MiB of zeros each before its pixels.
// Each block follows a full flush, so that it refers to nothing before it
// and can be repeated as it is.
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
    std::string text = std::string("Comment\0\0", 9);
    text += deflated(std::string(std::size_t{7} << 20, '\0'), Z_FINISH);
    deflateReset(&stream);
    std::string data = deflated(rows, Z_FULL_FLUSH);
    const std::string zeros =
        blocks > 0 ? deflated(std::string(std::size_t{1} << 20, '\0'), Z_FULL_FLUSH) : "";
    for (int i = 0; i < blocks; ++i) {
        data += zeros;
    }
    data += deflated("", Z_FINISH);
    deflateEnd(&stream);
    std::string header;
    appendBigEndian32(header, static_cast<std::uint32_t>(image.width));
    appendBigEndian32(header, static_cast<std::uint32_t>(image.height));
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey
    std::string file = "\x89PNG\r\n\x1A\n";
    appendPngChunk(file, "IHDR", header);
    for (int i = 0; i < texts; ++i) {
        appendPngChunk(file, "zTXt", text);
    }
    appendPngChunk(file, "IDAT", data);
    appendPngChunk(file, "IEND", "");
    return file;
}

// Work on a PNG is proportional to its image. Inflating what followed the
// rows once took 19 s for 16.7 MB of it (here about twice that), and 900
// compressed text chunks took 160 s to inflate, though no text is ever
// shown. Neither is read now, so the symbol decodes at once.
TEST(BadInput, PngWorkIsProportionalToTheImage) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "the Windows program reads PNG files with GDI+";
    }
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    TemporaryDirectory directory;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"32 GiB of zeros compressed after the rows",
         pngOutOfProportion(symbolImage(symbol), 32 * 1024, 0)},
        {"900 compressed text chunks of 7 MiB", pngOutOfProportion(symbolImage(symbol), 0, 900)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = directory.write("outsized.png", bytes);
        expectEnding(runBounded({path}), {0, sizeLine(symbol) + "HELLO WORLD", ""});
    }
}

// An image given as a FIFO, or as the program's own standard input, is read
// once, to its end, as it arrives; an endless stream that shows no image
// format in its first bytes is refused at once.
TEST(BadInput, ImagesFromStreams) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "/dev/stdin and FIFOs are paths of POSIX systems";
    }
    signal(SIGPIPE, SIG_IGN);
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 2, 3, 8);
    TemporaryDirectory directory;
    const std::string png = directory.path() + "/symbol.png";
    writePng(png, symbolImage(symbol), PngLayout::Grey8);
    const std::string bytes = readFileBytes(png);
    // Small enough for a pipe's buffer: the writer below never blocks on it.
    ASSERT_LT(bytes.size(), 65536u);
    const Ending decoded = {0, sizeLine(symbol) + "HELLO WORLD", ""};

    expectEnding(runBounded({"/dev/stdin"}, bytes), decoded);

    const std::string fifo = directory.path() + "/symbol.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The writer waits for the program to open the FIFO. Should the program
    // never do so, the reading end opened here afterwards lets it go.
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            const ssize_t ignored = write(fd, bytes.data(), bytes.size());
            static_cast<void>(ignored);
            close(fd);
        }
    });
    const RunOutcome run = runBounded({fifo});
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    if (release >= 0) {
        close(release);
    }
    expectEnding(run, decoded);

    expectEnding(runBounded({"/dev/zero"}), {2, "", kLoadFailure});
}

// Named .txt, an image is read as a bar string: its first byte is the first
// character read, and no hexadecimal digit.
TEST(BadInput, ImageNamedLikeABarStringFile) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/symbol.png.txt";
    writePng(path, symbolImage(encodeSymbol(kHelloWorld, 2, 3, 8)), PngLayout::Rgb8);
    expectEnding(runBounded({path}), {10, "", invalidCharacter("\\x89")});
}

}  // namespace
}  // namespace tessoran_test

namespace tessoran_test {
namespace {

// Each pixel flipped with a chance of `permille` in a thousand; the same seed
// always flips the same pixels.
PixelGrid withNoise(PixelGrid grid, int permille, std::uint32_t seed) {
    std::mt19937 random(seed);
    for (std::uint8_t& dark : grid.dark) {
        if (static_cast<int>(random() % 1000) < permille) {
            dark = dark != 0 ? 0 : 1;
        }
    }
    return grid;
}

struct NoiseCase {
    int permille;
    std::uint32_t seed;
    bool decodes;
};

// Noise ends a run with the symbol's data or with a failure, never with
// anything else. Specks that form a group of their own below the symbol once
// made the size line read 11 rows of 3 columns for this symbol of 10 rows of
// 4 (8 and 10 in a thousand, seeds 21 and 13).
TEST(BadInput, SymbolCoveredWithNoise) {
    const Pdf417Symbol symbol = encodeSymbol(kHelloWorld, 4, 4, 10);
    ASSERT_EQ(symbol.rows, 10);
    const PixelGrid clean =
        renderSymbol(symbol, {.moduleWidth = 3, .rowHeight = 9, .quietZone = 2});
    const Ending decoded = {0, sizeLine(symbol) + "HELLO WORLD", ""};
    const Ending failed = {0, "", kDecodingFailed};
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/noisy.png";

    const std::vector<NoiseCase> cases = {
        {5, 1, true},
        {8, 21, true},
        {10, 13, true},
        {200, 1, false},
    };
    for (const NoiseCase& test : cases) {
        SCOPED_TRACE(std::to_string(test.permille) + " in 1000, seed " + std::to_string(test.seed));
        writePng(path, argbFromGrid(withNoise(clean, test.permille, test.seed)), PngLayout::Grey8);
        expectEnding(runBounded({path}), test.decodes ? decoded : failed);
    }

    // Around the level where reading gives out, either ending may come.
    for (const int permille : {8, 10, 12, 20}) {
        for (std::uint32_t seed = 100; seed < 110; ++seed) {
            SCOPED_TRACE(std::to_string(permille) + " in 1000, seed " + std::to_string(seed));
            writePng(path, argbFromGrid(withNoise(clean, permille, seed)), PngLayout::Grey8);
            const RunOutcome run = runBounded({path});
            expectEnding(run, run.out.empty() ? failed : decoded);
        }
    }
}

}  // namespace
}  // namespace tessoran_test
