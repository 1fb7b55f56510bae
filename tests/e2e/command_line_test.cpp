// SPDX-License-Identifier: Apache-2.0
// Runs of the real program on what a user or an attacker can give it, each held
// to its exact output, error and status, and to a few mebibytes: nothing here
// warrants more, and the bound catches memory taken on a header's word.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

const std::string kUnwritable = "Unable to write the output.\n";
const std::string kUnreadable = "Unable to read standard input.\n";
// zint's symbol of "Hello, Tessoran!" with 3 data columns at level 2, in
// examples/hello.* and tests/e2e/data/hello.*.
const std::string kHello = "7 Rows, 3 Cols, Error correction 2.\nHello, Tessoran!";

std::string invalid(const std::string& shown) {
    return "Invalid character(" + shown + ") is encountered.\n";
}

std::string unopened(const std::string& path) {
    return "Unable to open file " + path + ".\n";
}

struct RunCase {
    std::string what;
    std::string argument;
    int status;
    std::string out;
    std::string err;  // after the banner
    std::optional<StandardInput> input = std::nullopt;
    OutputTo output = OutputTo::Captured;
    // Only for the POSIX program: the Windows one reads images with GDI+, and
    // its launcher stands between it and the output streams.
    bool posixOnly = false;
};

void expectRuns(const std::vector<RunCase>& runs) {
    for (const RunCase& run : runs) {
        if (run.posixOnly && runsThroughLauncher()) {
            continue;
        }
        SCOPED_TRACE(run.what);
        const RunOutcome outcome = runTessoran({run.argument}, run.input, std::chrono::seconds(20),
                                               {.output = run.output});
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitStatus, run.status);
        EXPECT_EQ(outcome.out, run.out);
        EXPECT_EQ(outcome.err, expectedBanner() + run.err);
        if (!runsThroughLauncher()) {
            EXPECT_LT(outcome.peakMemoryKiB, (kUnderAddressSanitizer ? 512 : 64) * 1024);
        }
    }
}

// The conventional options, spelt exactly, answer on standard output with
// status 0; a file of such a name is read by another path to it.
TEST(CommandLine, UsageAndOnlyTheFirstArgument) {
    const RunOutcome run = runTessoran({});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    const std::string rest = " imagefile|string.txt|-i\n";
    ASSERT_TRUE(run.err.starts_with(expectedBanner()) && run.err.ends_with(rest)) << run.err;
    EXPECT_TRUE(isProgramInvocationName(run.err.substr(
        expectedBanner().size(), run.err.size() - expectedBanner().size() - rest.size())));
    const RunOutcome help = runTessoran({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tessoran imagefile|string.txt|-i\n")) << help.out;
    EXPECT_EQ(help.err, expectedBanner());
    EXPECT_EQ(runTessoran({"-h"}).out, help.out);
    const RunOutcome first = runTessoran({sourcePath("examples/hello.txt"), "-i", "x"});
    EXPECT_EQ(first.exitStatus, 0);
    EXPECT_EQ(first.out, kHello);
}

TEST(CommandLine, InputsOfEveryKind) {
    TemporaryDirectory directory;
    const auto file = [&directory](auto... nameAndContents) {
        return directory.write(nameAndContents...);
    };
    const std::string d = directory.path() + "/";
    const std::string helloTxt = sourcePath("examples/hello.txt");
    const std::string helloPng = sourcePath("examples/hello.png");
    const std::string hello = readFileBytes(helloTxt);
    std::string crlf;
    for (const char c : hello) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    const std::string line(40, 'F');
    std::filesystem::create_directory(d + "folder.txt");
    writePng(d + "white.png", solidImage(60, 40, kOpaqueWhite), PngLayout::Palette8);
    writePng(d + "png.txt", solidImage(4, 4, kOpaqueWhite), PngLayout::Rgb8);
    // Paths beyond ASCII reach the input and the messages; control characters
    // are shown escaped, so that no file name drives the terminal.
    const std::string u = d + "dir with spaces \xC3\xBC \xE6\x97\xA5/symbol \xC3\xB1 ";
    std::filesystem::create_directory(d + "dir with spaces \xC3\xBC \xE6\x97\xA5");
    writeFileBytes(u + ".txt", hello);
    writeFileBytes(u + ".png", readFileBytes(helloPng));
    const std::string control = d + "\x1b[2J\x1b]0;title\x07 tab\there\x7f \\x41.txt";
    const std::string data = sourcePath("tests/e2e/data/hello");
    // "HELLO WORLD" in text compaction (upper-case letters, space 26, pad 29).
    const Pdf417Symbol symbol =
        encodeSymbol(textCodewords({7, 4, 11, 11, 14, 26, 22, 14, 17, 11, 3}), 2, 3, 8);
    const std::string decoded = sizeLine(symbol) + "HELLO WORLD";
    const std::string text = toBarString(symbol);
    const std::size_t width = text.find('\n');
    const std::string light(width, '0');
    std::string lightLines;
    for (int i = 0; i < 20000; ++i) {
        lightLines += light + "\n";
    }
    // Characters past the width of a longer line are never read.
    const auto withTail = [&](const std::string& tail) {
        return std::string(text).insert(2 * width + 1, tail);
    };
    std::string noise;
    std::mt19937 random(17);
    for (int i = 0; i < 20000 * 121; ++i) {
        noise.push_back(i % 121 == 120 ? '\n' : "0123456789ABCDEF"[random() % 16]);
    }
    const ArgbImage image = argbFromGrid(renderSymbol(symbol, {2, 6, 2}));
    writePng(d + "png.bmp", image, PngLayout::Grey8);
    writeGif(d + "gif.png", image);
    writeBmp(d + "top-down.bmp", image, {.bitsPerPixel = 8, .topDown = true});
    writeBmp(d + "os2.bmp", image, {.bitsPerPixel = 1, .header = BmpHeader::Core});
    // Indices beyond a BMP's palette were once read from whatever memory lay
    // past it; GDI+ shows such files in colours of its own choosing.
    writeBmp(d + "beyond.bmp", image, {.bitsPerPixel = 8, .paletteEntries = 1});
    writeJpeg(d + "page.jpg", renderTextPage(1600, 1200, 7), JpegLayout::Colour, 85);
    using enum OutputTo;
    expectRuns({
        {"missing .txt", d + "m.txt", 2, "", unopened(d + "m.txt")},
        // A directory opens for reading on POSIX systems but cannot be read.
        {"a directory named .txt", d + "folder.txt", 2, "", unopened(d + "folder.txt")},
        {"a directory", d, 2, "", kNotLoaded},
        {"no image", file("notes.png", "just some words\n"), 2, "", kNotLoaded},
        {"40 bytes of a PNG", file("cut.png", readFileBytes(d + "white.png").substr(0, 40)), 2, "",
         kNotLoaded},
        {"an empty bar string", file("empty.txt", ""), 0, "", kFailed},
        {"empty lines", file("lines.txt", "\n\r\n\n"), 0, "", kFailed},
        {"light modules", file("light.txt", std::string(120, '0') + "\n"), 0, "", kFailed},
        {"an empty line on standard input", "-i", 0, kPrompt, kFailed, std::string("\n")},
        {"an invalid character",
         file("G.txt", line + "\n" + line.substr(0, 17) + "G" + line.substr(18) + "\n"), 10, "",
         invalid("G")},
        {"a space first on standard input", "-i", 10, kPrompt, invalid(" "),
         " " + line + "\n" + line + "\n"},
        // Named .txt, an image is read as a bar string from its first byte.
        {"an image named .txt", d + "png.txt", 10, "", invalid("\\x89")},
        {"a bar string", helloTxt, 0, kHello, ""},
        {"CR LF", file("crlf.txt", crlf), 0, kHello, ""},
        {"a bar string on standard input", "-i", 0, kPrompt + kHello, "", hello},
        {"CR LF on standard input", "-i", 0, kPrompt + kHello, "", crlf},
        {"PNG", helloPng, 0, kHello, ""},
        {"BMP", data + ".bmp", 0, kHello, ""},
        {"GIF", data + ".gif", 0, kHello, ""},
        {"TIFF", data + ".tif", 0, kHello, ""},
        {"JPEG", data + ".jpg", 0, kHello, ""},
        // zint's byte-mode symbol of 'one\ntwo\r\nthree\x1A\xFF\n\r\n end\n':
        // decoded bytes reach standard output unchanged.
        {"line ends and control bytes", sourcePath("tests/e2e/data/line-ends.txt"), 0,
         "10 Rows, 4 Cols, Error correction 3.\none\ntwo\r\nthree\x1A\xFF\n\r\n end\n", ""},
        {"--version", "--version", 0,
         "tessoran " TESSORAN_VERSION "\nCopyright 2026 The Tessoran developers.\n"
         "Licensed under the Apache License, Version 2.0: free software, provided as is,\n"
         "without warranty of any kind. See https://www.apache.org/licenses/LICENSE-2.0\n",
         ""},
        {"an image named --help", file("--help", readFileBytes(helloPng)), 0, kHello, ""},
        {"an unusual bar-string path", u + ".txt", 0, kHello, ""},
        {"an unusual image path", u + ".png", 0, kHello, ""},
        {"an unusual missing path", u + "x.txt", 2, "", unopened(u + "x.txt")},
        {"control characters in a path", control, 2, "",
         unopened(d + "\\x1b[2J\\x1b]0;title\\x07 tab\\x09here\\x7f \\x41.txt")},
        // Output that does not arrive is status 3; what was never to be written
        // cannot fail; a prompt that cannot be written reads nothing.
        {"to a full device", helloTxt, 3, "", kUnwritable, {}, FullDevice, true},
        {"an image to a pipe without a reader", helloPng, 3, "", kUnwritable, {}, ClosedPipe, true},
        {"a prompt to a full device", "-i", 3, "", kUnwritable, InputFile{d + "crlf.txt"},
         FullDevice, true},
        {"a prompt to a pipe without a reader", "-i", 3, "", kUnwritable, InputFile{d + "crlf.txt"},
         ClosedPipe, true},
        {"the help to a full device", "--help", 3, "", kUnwritable, {}, FullDevice, true},
        {"a failure to a full device", d + "empty.txt", 0, "", kFailed, {}, FullDevice, true},
        {"a missing file to a full device", d + "m.txt", 2, "", unopened(d + "m.txt"), std::nullopt,
         FullDevice, true},
        {"closed standard input", "-i", 2, kPrompt, kUnreadable, ClosedInput{}},
        {"a directory on standard input", "-i", 2, kPrompt, kUnreadable, InputFile{d}},
        {"a line of 100,000 digits", file("F.txt", std::string(100000, 'F') + "\n"), 0, "",
         kFailed},
        {"20,000 lines of random digits", file("noise.txt", noise), 0, "", kFailed},
        // The first character of the first line is the first one read.
        {"a zero byte first", file("0.txt", '\0' + light.substr(1) + "\n" + light + "\n"), 10, "",
         invalid("\\x00")},
        {"a zero byte past the width", file("0G.txt", withTail(std::string(1, '\0') + "G")), 0,
         decoded, ""},
        {"a line of 100,000 characters", file("x.txt", withTail(std::string(100000, 'x'))), 0,
         decoded, ""},
        {"20,000 light lines after", file("after.txt", text + lightLines), 0, decoded, ""},
        {"20,000 light lines before", file("before.txt", lightLines + text), 0, decoded, ""},
        // The format is told by the content, not the name.
        {"a PNG named .bmp", d + "png.bmp", 0, decoded, ""},
        {"a GIF named .png", d + "gif.png", 0, decoded, ""},
        {"a BMP with rows from the top", d + "top-down.bmp", 0, decoded, ""},
        {"a 1-bit BMP of OS/2", d + "os2.bmp", 0, decoded, ""},
        {"a BMP with indices beyond its palette", d + "beyond.bmp", 2, "", kNotLoaded, std::nullopt,
         OutputTo::Captured, true},
        {"zero bytes", file("empty.png", ""), 2, "", kNotLoaded},
        // The capture reader looks all over a page of print and finds no symbol.
        {"a page without a symbol", d + "page.jpg", 0, "", kFailed},
    });
}

}  // namespace
}  // namespace tessoran_test
