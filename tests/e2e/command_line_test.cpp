#include <gtest/gtest.h>

#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

TEST(CommandLine, NoArgumentPrintsUsageAndExitsWithOne) {
    const RunOutcome run = runTessoran({});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, expectedBanner().size()), expectedBanner());
    const std::string usage = run.err.substr(expectedBanner().size());
    EXPECT_TRUE(usage.ends_with("tessoran imagefile|string.txt|-i\n")) << usage;
}

}  // namespace
}  // namespace tessoran_test
