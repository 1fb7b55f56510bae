#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"
#include "support/SymbolRuns.h"

namespace tessoran_test {
namespace {

// The size line comes first on standard output; the decoded data follows it.
TEST(DecodeSizeLine, BarStringsOfEveryLevel) {
    TemporaryDirectory directory;
    for (int level = 0; level <= 8; ++level) {
        for (const int columns : {1, 2, 9, 17, 30}) {
            Pdf417Symbol symbol;
            try {
                symbol = encodeSymbol({1, 2, 3, 4}, level, columns);
            } catch (const std::invalid_argument&) {
                continue;  // more rows than a symbol may have
            }
            const std::string path = directory.write("symbol.txt", toBarString(symbol));
            const RunOutcome run = runTessoran({path});
            EXPECT_EQ(run.exitStatus, 0);
            EXPECT_EQ(run.err, expectedBanner());
            EXPECT_EQ(run.out.substr(0, sizeLine(symbol).size()), sizeLine(symbol))
                << "level " << level << " columns " << columns;
        }
    }
}

TEST(DecodeSizeLine, BarStringOnStandardInput) {
    const Pdf417Symbol symbol = encodeSymbol({100, 200}, 3, 6);
    const RunOutcome run = runTessoran({"-i"}, toBarString(symbol));
    EXPECT_EQ(run.exitStatus, 0);
    const std::string expected = "Enter barcode string below (V4 only):\n" + sizeLine(symbol);
    EXPECT_EQ(run.out.substr(0, expected.size()), expected);
}

// "LEVEL " and the letter A to I for levels 0 to 8, in Upper: L E V E L SP,
// then the letter and a padding shift.
std::vector<int> levelText(int level) {
    return textCodewords({11, 4, 21, 4, 11, 26, level});
}

std::string levelDecoded(int level) {
    return "LEVEL " + std::string(1, static_cast<char>('A' + level));
}

struct LevelAndColumns {
    int level;
    int columns;
};

// Every level once, with column counts spread over 1 to 30 (level 8 needs at
// least 6 columns to hold its 512 check codewords in 90 rows).
constexpr LevelAndColumns kSizes[] = {{0, 1},  {1, 2},  {2, 4},  {3, 7}, {4, 11},
                                      {5, 16}, {6, 21}, {7, 26}, {8, 30}};

TEST(DecodeSizeLine, PngImagesOfEveryLevelAtOneTwoAndFourPixelsPerModule) {
    TemporaryDirectory directory;
    for (const LevelAndColumns size : kSizes) {
        const Pdf417Symbol symbol = encodeSymbol(levelText(size.level), size.level, size.columns);
        for (const int scale : {1, 2, 4}) {
            SCOPED_TRACE("level " + std::to_string(size.level) + ", " +
                         std::to_string(size.columns) + " columns, " + std::to_string(scale) +
                         " pixels per module");
            const RunOutcome run = runOnPng(symbol, directory, {scale, 3 * scale, 2});
            EXPECT_EQ(run.exitStatus, 0);
            EXPECT_EQ(run.err, expectedBanner());
            EXPECT_EQ(run.out, sizeLine(symbol) + levelDecoded(size.level));
        }
    }
}

TEST(DecodeSizeLine, ImagesInTheOtherFormats) {
    TemporaryDirectory directory;
    const Pdf417Symbol symbol = encodeSymbol(levelText(4), 4, 9);
    const ArgbImage image = argbFromGrid(renderSymbol(symbol, {3, 9, 2}));
    const std::vector<std::pair<std::string, void (*)(const std::string&, const ArgbImage&)>>
        writers = {
            {"symbol.bmp",
             [](const std::string& path, const ArgbImage& pixels) {
                 writeBmp(path, pixels, BmpLayout::Rgb24);
             }},
            {"symbol.gif",
             [](const std::string& path, const ArgbImage& pixels) { writeGif(path, pixels); }},
            {"symbol.tif",
             [](const std::string& path, const ArgbImage& pixels) {
                 writeTiff(path, pixels, TiffLayout::Grey8);
             }},
            {"symbol.jpg",
             [](const std::string& path, const ArgbImage& pixels) {
                 writeJpeg(path, pixels, JpegLayout::Colour);
             }},
        };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        const std::string path = directory.path() + "/" + name;
        write(path, image);
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.err, expectedBanner());
        EXPECT_EQ(run.out, sizeLine(symbol) + levelDecoded(4));
    }
}

TEST(DecodeSizeLine, ImagesWithAndWithoutAQuietZone) {
    TemporaryDirectory directory;
    const Pdf417Symbol symbol = encodeSymbol(levelText(2), 2, 5);
    for (const int quietZone : {0, 10}) {
        SCOPED_TRACE("quiet zone of " + std::to_string(quietZone) + " modules");
        const RunOutcome run = runOnPng(symbol, directory, {2, 6, quietZone});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.err, expectedBanner());
        EXPECT_EQ(run.out, sizeLine(symbol) + levelDecoded(2));
    }
}

TEST(DecodeSizeLine, PatternWithoutASymbolFails) {
    TemporaryDirectory directory;
    const std::string light(120, '0');
    const std::string path = directory.write("blank.txt", light + "\n" + light + "\n");
    const RunOutcome run = runTessoran({path});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, expectedBanner() + "Decoding failed.\n");
}

}  // namespace
}  // namespace tessoran_test
