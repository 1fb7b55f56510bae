#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ProgramRunner.h"

// What depends on the platform around a run: paths as the command line gives
// them, the image formats the image library reads, bar strings with either
// line end, and decoded bytes reaching standard output unchanged. Every
// expectation is the same bytes on every platform.

namespace tessoran_test {
namespace {

const std::string kPrompt = "Enter barcode string below (V4 only):\n";

// examples/hello.png and the tests/e2e/data/hello.* images made from it, and
// examples/hello.txt: zint's symbol of "Hello, Tessoran!" with 3 data columns
// and error-correction level 2.
const std::string kHelloOutput = "7 Rows, 3 Cols, Error correction 2.\nHello, Tessoran!";

// tests/e2e/data/line-ends.txt: zint's byte-mode symbol of the escaped data
// 'one\ntwo\r\nthree\x1A\xFF\x0A\x0D\x0A end\n', 4 data columns, level 3.
const std::string kLineEndsOutput =
    "10 Rows, 4 Cols, Error correction 3.\n"
    "one\ntwo\r\nthree\x1A\xFF\n\r\n end\n";

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string withCrLf(const std::string& text) {
    std::string converted;
    for (const char c : text) {
        if (c == '\n') {
            converted += '\r';
        }
        converted += c;
    }
    return converted;
}

// Standard error after the banner, which every run writes first.
std::string afterBanner(const RunOutcome& run) {
    EXPECT_EQ(run.err.substr(0, expectedBanner().size()), expectedBanner());
    return run.err.size() >= expectedBanner().size() ? run.err.substr(expectedBanner().size())
                                                     : std::string();
}

// A folder whose name has spaces and characters beyond ASCII, inside a fresh
// temporary directory.
class UnusualFolder {
  public:
    static constexpr const char* kName = "dir with spaces \xC3\xBC \xE6\x97\xA5\xE6\x9C\xAC";

    UnusualFolder() { std::filesystem::create_directory(directory.path() + "/" + kName); }

    std::string path(const std::string& file) const {
        return directory.path() + "/" + kName + "/" + file;
    }
    std::string write(const std::string& file, const std::string& contents) const {
        return directory.write(std::string(kName) + "/" + file, contents);
    }

  private:
    TemporaryDirectory directory;
};

TEST(PlatformInput, PathsWithSpacesAndNonAsciiCharactersReachTheInput) {
    UnusualFolder folder;
    const std::string fileName = "symbol \xC3\xB1 \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string barString =
        folder.write(fileName + ".txt", readFile(sourcePath("examples/hello.txt")));
    const std::string image =
        folder.write(fileName + ".png", readFile(sourcePath("examples/hello.png")));
    for (const std::string& path : {barString, image}) {
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0) << path;
        EXPECT_EQ(afterBanner(run), "") << path;
        EXPECT_EQ(run.out, kHelloOutput) << path;
    }
}

TEST(PlatformInput, MessagesShowUnusualPathsByteForByte) {
    UnusualFolder folder;
    const std::string missingText = folder.path("missing \xC3\xB1 \xE6\x97\xA5\xE6\x9C\xAC.txt");
    const RunOutcome text = runTessoran({missingText});
    EXPECT_EQ(text.exitStatus, 2);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(afterBanner(text), "Unable to open file " + missingText + ".\n");

    const std::string notAnImage = folder.write("not an image \xC3\xB1.png", "not a PNG\n");
    for (const std::string& path : {folder.path("missing \xC3\xB1.png"), notAnImage}) {
        const RunOutcome image = runTessoran({path});
        EXPECT_EQ(image.exitStatus, 2) << path;
        EXPECT_EQ(image.out, "") << path;
        EXPECT_EQ(afterBanner(image), "file does not exist or is invalid.") << path;
    }
}

// A path is outside text: control characters and bytes that are no UTF-8
// are shown escaped, so that no file name can drive the terminal; valid
// UTF-8 and backslashes stay as they are.
TEST(PlatformInput, MessagesShowControlCharactersAndInvalidUtf8InPathsEscaped) {
    TemporaryDirectory directory;
    struct Case {
        std::string name;
        std::string shown;
        bool validUtf8;
    };
    const std::vector<Case> cases = {
        {"\x1b[2J\x1b]0;title\x07.txt", "\\x1b[2J\\x1b]0;title\\x07.txt", true},
        {"tab\there\x7f \\x41 \xC3\xBC.txt", "tab\\x09here\\x7f \\x41 \xC3\xBC.txt", true},
        {"latin-1 \xFC, cut \xE6\x97, overlong \xC0\xAF.txt",
         "latin-1 \\xfc, cut \\xe6\\x97, overlong \\xc0\\xaf.txt", false},
    };
    for (const Case& test : cases) {
        // Under a launcher the path is converted to the platform's form and
        // back, and bytes that are no UTF-8 do not survive that as they are.
        if (!test.validUtf8 && runsThroughLauncher()) {
            continue;
        }
        const RunOutcome run = runTessoran({directory.path() + "/" + test.name});
        EXPECT_EQ(run.exitStatus, 2) << test.shown;
        EXPECT_EQ(run.out, "") << test.shown;
        EXPECT_EQ(afterBanner(run),
                  "Unable to open file " + directory.path() + "/" + test.shown + ".\n");
    }
}

TEST(PlatformInput, EveryImageFormatOfTheImageLibraryIsRead) {
    for (const char* file :
         {"examples/hello.png", "tests/e2e/data/hello.bmp", "tests/e2e/data/hello.gif",
          "tests/e2e/data/hello.tif", "tests/e2e/data/hello.jpg"}) {
        const RunOutcome run = runTessoran({sourcePath(file)});
        EXPECT_EQ(run.exitStatus, 0) << file;
        EXPECT_EQ(afterBanner(run), "") << file;
        EXPECT_EQ(run.out, kHelloOutput) << file;
    }
}

TEST(PlatformInput, BarStringsReadTheSameFromFileAndStandardInputWithEitherLineEnd) {
    TemporaryDirectory directory;
    const std::string lf = readFile(sourcePath("examples/hello.txt"));
    ASSERT_EQ(lf.find('\r'), std::string::npos);
    for (const std::string& contents : {lf, withCrLf(lf)}) {
        const RunOutcome file = runTessoran({directory.write("hello.txt", contents)});
        EXPECT_EQ(file.exitStatus, 0);
        EXPECT_EQ(afterBanner(file), "");
        EXPECT_EQ(file.out, kHelloOutput);

        const RunOutcome input = runTessoran({"-i"}, contents);
        EXPECT_EQ(input.exitStatus, 0);
        EXPECT_EQ(afterBanner(input), "");
        EXPECT_EQ(input.out, kPrompt + kHelloOutput);
    }
}

TEST(PlatformOutput, DecodedLineEndsAndControlBytesReachStandardOutputUnchanged) {
    const RunOutcome run = runTessoran({sourcePath("tests/e2e/data/line-ends.txt")});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(afterBanner(run), "");
    EXPECT_EQ(run.out, kLineEndsOutput);
}

}  // namespace
}  // namespace tessoran_test
