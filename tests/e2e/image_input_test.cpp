#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

const std::string kLoadFailure = "file does not exist or is invalid.";

TEST(ImageInput, AnImageThatCannotBeLoadedEndsWithStatusTwo) {
    TemporaryDirectory directory;
    const std::string png = directory.path() + "/real.png";
    writePng(png, solidImage(4, 4, kOpaqueWhite), PngLayout::Rgb8);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"missing image", directory.path() + "/missing.png"},
        {"not an image", directory.write("notes.png", "just some words\n")},
        // Not named .txt, so taken for an image although it holds a bar string.
        {"bar string under a wrong extension", directory.write("bars.text", "0000\n")},
        {"half of an image", directory.write("half.png", readFileBytes(png).substr(0, 40))},
        {"a directory", directory.path()},
        // Only "-i" reads standard input; "-I" is a path like any other.
        {"-I", "-I"},
    };
    for (const auto& [name, argument] : cases) {
        SCOPED_TRACE(name);
        const RunOutcome run = runTessoran({argument}, std::string("0000\n"));
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + kLoadFailure);
    }
}

TEST(ImageInput, AnImageWithoutASymbolFailsToDecodeWithStatusZero) {
    TemporaryDirectory directory;
    GifLayout interlaced;
    interlaced.interlaced = true;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"all white", directory.path() + "/white.png"},
        {"all black", directory.path() + "/black.tif"},
        {"one pixel", directory.path() + "/one.bmp"},
        // The format is told by the content, not the name.
        {"gif named .jpg", directory.path() + "/picture.jpg"},
        {"jpeg", directory.path() + "/grey.jpeg"},
    };
    writePng(cases[0].second, solidImage(60, 40, kOpaqueWhite), PngLayout::Palette8);
    writeTiff(cases[1].second, solidImage(60, 40, kOpaqueBlack), TiffLayout::Rgb8);
    writeBmp(cases[2].second, solidImage(1, 1, kOpaqueBlack), BmpLayout::Rgb24);
    writeGif(cases[3].second, solidImage(30, 20, kOpaqueWhite), interlaced);
    writeJpeg(cases[4].second, solidImage(30, 20, 0xFF808080u), JpegLayout::Grey);
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + "Decoding failed.\n");
    }
}

}  // namespace
}  // namespace tessoran_test
