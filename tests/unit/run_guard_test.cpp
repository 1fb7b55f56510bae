// SPDX-License-Identifier: Apache-2.0
// What leaves the program's run is a message and a status, never an exception.

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "frontend/ExitStatus.h"
#include "frontend/RunGuard.h"

namespace ostrel2::tessoran {
namespace {

struct GuardCase {
    const char* what;
    std::function<int()> run;
    int status;
    std::string message;
};

TEST(RunGuard, TurnsWhatIsThrownIntoAMessageAndAStatus) {
    const std::vector<GuardCase> cases = {
        {"a run that returns", [] { return kExitInvalidCharacter; }, kExitInvalidCharacter, ""},
        {"memory that runs out", []() -> int { throw std::bad_alloc(); }, kExitInput,
         "Out of memory.\n"},
        {"any other exception", []() -> int { throw std::logic_error("fault"); }, kExitInternal,
         "Internal error.\n"},
        {"something that is no exception", []() -> int { throw 7; }, kExitInternal,
         "Internal error.\n"},
    };
    for (const GuardCase& test : cases) {
        SCOPED_TRACE(test.what);
        testing::internal::CaptureStderr();
        const int status = runGuarded(test.run);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), test.message);
        EXPECT_EQ(status, test.status);
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
