// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/InputMode.h"

namespace ostrel2::tessoran {
namespace {

TEST(InputMode, ChosenFromTheArgumentAlone) {
    struct Case {
        std::string argument;
        InputMode mode;
    };
    const std::vector<Case> cases = {
        {"-i", InputMode::StandardInput},
        {"-I", InputMode::ImageFile},
        {"-i ", InputMode::ImageFile},
        {"-ix", InputMode::ImageFile},
        {"a.txt", InputMode::BarStringFile},
        {"a.TXT", InputMode::BarStringFile},
        {"a.Txt", InputMode::BarStringFile},
        {".txt", InputMode::BarStringFile},
        {"dir/.tXt", InputMode::BarStringFile},
        {"a.txt.png", InputMode::ImageFile},
        {"atxt", InputMode::ImageFile},
        {"a.tx", InputMode::ImageFile},
        {"a.text", InputMode::ImageFile},
        {"txt", InputMode::ImageFile},
        {"", InputMode::ImageFile},
        {"a.png", InputMode::ImageFile},
        {"--help", InputMode::Help},
        {"-h", InputMode::Help},
        {"--version", InputMode::Version},
        {"./--help", InputMode::ImageFile},
        {"--HELP", InputMode::ImageFile},
        {"-help", InputMode::ImageFile},
        {"--help ", InputMode::ImageFile},
        {"-hi", InputMode::ImageFile},
        {"--version.txt", InputMode::BarStringFile},
        {"-", InputMode::ImageFile},
        {"--", InputMode::ImageFile},
    };
    for (const Case& c : cases) {
        std::vector<PathChar> argument(c.argument.begin(), c.argument.end());
        argument.push_back(0);
        EXPECT_EQ(chooseInputMode(argument.data()), c.mode) << '"' << c.argument << '"';
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
