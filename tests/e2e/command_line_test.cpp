#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

const std::string kPrompt = "Enter barcode string below (V4 only):\n";

// Standard error after the banner, which every run writes first.
std::string afterBanner(const RunOutcome& run) {
    EXPECT_EQ(run.err.substr(0, expectedBanner().size()), expectedBanner());
    return run.err.size() >= expectedBanner().size() ? run.err.substr(expectedBanner().size())
                                                     : std::string();
}

TEST(CommandLine, NoArgumentPrintsUsageWithTheProgramNameAndExitsWithOne) {
    const RunOutcome run = runTessoran({});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    const std::string usage = afterBanner(run);
    const std::string rest = " imagefile|string.txt|-i\n";
    ASSERT_TRUE(usage.ends_with(rest)) << usage;
    const std::string name = usage.substr(0, usage.size() - rest.size());
    EXPECT_TRUE(isProgramInvocationName(name)) << name;
}

TEST(CommandLine, MissingBarStringFileInAnyCaseOfTheSuffix) {
    TemporaryDirectory directory;
    for (const char* name : {"missing.txt", "missing.TXT", "missing.Txt"}) {
        const std::string path = directory.path() + "/" + name;
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 2) << name;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_EQ(afterBanner(run), "Unable to open file " + path + ".\n") << name;
    }
}

TEST(CommandLine, AnythingElseIsAnImagePath) {
    TemporaryDirectory directory;
    // ".txt.png" is an image name; "-I" is not the standard-input switch.
    for (const std::string& argument :
         {directory.path() + "/missing.txt.png", std::string("-I"), directory.path() + "/x"}) {
        const RunOutcome run = runTessoran({argument});
        EXPECT_EQ(run.exitStatus, 2) << argument;
        EXPECT_EQ(run.out, "") << argument;
        EXPECT_EQ(afterBanner(run), "file does not exist or is invalid.") << argument;
    }
}

TEST(CommandLine, EmptyBarStringFailsToDecodeWithStatusZero) {
    TemporaryDirectory directory;
    for (const char* contents : {"", "\n\r\n\n"}) {
        const std::string path = directory.write("empty.txt", contents);
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(afterBanner(run), "Decoding failed.\n");
    }
}

TEST(CommandLine, StandardInputIsPromptedForAndRead) {
    const RunOutcome run = runTessoran({"-i"}, std::string("\n"));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, kPrompt);
    EXPECT_EQ(afterBanner(run), "Decoding failed.\n");
}

TEST(CommandLine, OnlyTheFirstArgumentCounts) {
    TemporaryDirectory directory;
    const std::string path = directory.write("empty.txt", "");
    const RunOutcome run = runTessoran({path, "-i", "more"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(afterBanner(run), "Decoding failed.\n");
}

TEST(CommandLine, InvalidCharacterStopsTheRunWithStatusTen) {
    TemporaryDirectory directory;
    // Wide enough (40 columns) for the decoder to read every pixel.
    const std::string line(40, 'F');
    std::string withBadCharacter = line;
    withBadCharacter[17] = 'G';
    const std::string path = directory.write("bad.txt", line + "\n" + withBadCharacter + "\n");
    const RunOutcome run = runTessoran({path});
    EXPECT_EQ(run.exitStatus, 10);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(afterBanner(run), "Invalid character(G) is encountered.\n");

    std::string startsWithSpace = line;
    startsWithSpace[0] = ' ';
    const RunOutcome fromInput = runTessoran({"-i"}, startsWithSpace + "\n" + line + "\n");
    EXPECT_EQ(fromInput.exitStatus, 10);
    EXPECT_EQ(fromInput.out, kPrompt);
    EXPECT_EQ(afterBanner(fromInput), "Invalid character( ) is encountered.\n");
}

struct StreamCase {
    const char* what;
    std::vector<std::string> arguments;
    std::optional<StandardInput> input;
    OutputTo output;
    int exitStatus;
    std::string out;  // when captured
    std::string err;  // after the banner
};

void expectStreamCases(const std::vector<StreamCase>& cases) {
    for (const StreamCase& test : cases) {
        SCOPED_TRACE(test.what);
        const RunOutcome run = runTessoran(test.arguments, test.input, std::chrono::seconds(60),
                                           {.output = test.output});
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, test.exitStatus);
        EXPECT_EQ(run.out, test.out);
        EXPECT_EQ(afterBanner(run), test.err);
    }
}

// Output that does not arrive is a failure, not a success: status 3. What
// was never to be written cannot fail.
TEST(CommandLine, OutputThatCannotBeWrittenEndsWithStatusThree) {
    if (runsThroughLauncher()) {
        GTEST_SKIP() << "/dev/full and a pipe without a reader reach the launcher, not the program";
    }
    TemporaryDirectory directory;
    const std::string hello = sourcePath("examples/hello.txt");
    const std::string empty = directory.write("empty.txt", "");
    const std::string missing = directory.path() + "/missing.txt";
    const std::string failed = "Unable to write the output.\n";
    expectStreamCases({
        {"a decoded symbol to a full device",
         {hello},
         std::nullopt,
         OutputTo::FullDevice,
         3,
         "",
         failed},
        {"an image's symbol to a pipe without a reader",
         {sourcePath("examples/hello.png")},
         std::nullopt,
         OutputTo::ClosedPipe,
         3,
         "",
         failed},
        // The prompt cannot be written: nothing is read.
        {"the prompt to a full device",
         {"-i"},
         InputFile{hello},
         OutputTo::FullDevice,
         3,
         "",
         failed},
        {"the prompt to a pipe without a reader",
         {"-i"},
         InputFile{hello},
         OutputTo::ClosedPipe,
         3,
         "",
         failed},
        {"a failed decoding writes nothing",
         {empty},
         std::nullopt,
         OutputTo::FullDevice,
         0,
         "",
         "Decoding failed.\n"},
        {"the help to a full device",
         {"--help"},
         std::nullopt,
         OutputTo::FullDevice,
         3,
         "",
         failed},
        {"a missing file writes nothing",
         {missing},
         std::nullopt,
         OutputTo::FullDevice,
         2,
         "",
         "Unable to open file " + missing + ".\n"},
    });
}

// The conventional options, spelt exactly, answer on standard output with
// status 0; a file of such a name is read by another path to it.
TEST(CommandLine, HelpAndVersionOptions) {
    const RunOutcome help = runTessoran({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tessoran imagefile|string.txt|-i\n")) << help.out;
    EXPECT_EQ(afterBanner(help), "");
    EXPECT_EQ(runTessoran({"-h"}).out, help.out);

    TemporaryDirectory directory;
    const std::string namedLikeAnOption =
        directory.write("--help", readFileBytes(sourcePath("examples/hello.png")));
    expectStreamCases({
        {"--version",
         {"--version"},
         std::nullopt,
         OutputTo::Captured,
         0,
         "tessoran " TESSORAN_VERSION "\n",
         ""},
        {"an image named --help",
         {namedLikeAnOption},
         std::nullopt,
         OutputTo::Captured,
         0,
         "7 Rows, 3 Cols, Error correction 2.\nHello, Tessoran!",
         ""},
        {"--HELP is a path",
         {"--HELP"},
         std::nullopt,
         OutputTo::Captured,
         2,
         "",
         "file does not exist or is invalid."},
    });
}

TEST(CommandLine, StandardInputThatCannotBeReadEndsWithStatusTwo) {
    TemporaryDirectory directory;
    const std::string unreadable = "Unable to read standard input.\n";
    expectStreamCases({
        {"closed", {"-i"}, ClosedInput{}, OutputTo::Captured, 2, kPrompt, unreadable},
        {"a directory",
         {"-i"},
         InputFile{directory.path()},
         OutputTo::Captured,
         2,
         kPrompt,
         unreadable},
    });
}

}  // namespace
}  // namespace tessoran_test
