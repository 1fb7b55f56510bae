#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

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
    EXPECT_EQ(run.out, "Enter barcode string below (V4 only):\n");
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
    EXPECT_EQ(fromInput.out, "Enter barcode string below (V4 only):\n");
    EXPECT_EQ(afterBanner(fromInput), "Invalid character( ) is encountered.\n");
}

}  // namespace
}  // namespace tessoran_test
