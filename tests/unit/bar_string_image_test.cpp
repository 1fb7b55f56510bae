#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pattern/BarStringMonoImage.h"

namespace ostrel2::tessoran {
namespace {

// The grid that a text gives, as strings of '1' and '0' per pixel row.
struct Grid {
    int height;
    int width;
    std::vector<std::string> rows;
};

Grid readGrid(const std::string& text) {
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (text.empty()) {
        stream = std::tmpfile();
    }
    BarStringMonoImage image(stream);
    std::fclose(stream);
    Grid grid{image.GetHeight(), image.GetWidth(), {}};
    for (int row = 0; row < grid.height; ++row) {
        std::string pixels;
        for (int column = 0; column < grid.width; ++column) {
            pixels.push_back(image.GetPixel(row, column) ? '1' : '0');
        }
        grid.rows.push_back(pixels);
    }
    return grid;
}

// Column `column` of a grid read top to bottom.
std::string columnOf(const Grid& grid, int column) {
    std::string pixels;
    for (const std::string& row : grid.rows) {
        pixels.push_back(row[static_cast<std::size_t>(column)]);
    }
    return pixels;
}

TEST(BarStringImage, EachDigitSpellsFourModulesOfThreePixelRows) {
    const Grid grid = readGrid("8F0\n");
    EXPECT_EQ(grid.height, 12);
    EXPECT_EQ(grid.width, 3);
    EXPECT_EQ(columnOf(grid, 0), "111000000000");
    EXPECT_EQ(columnOf(grid, 1), "111111111111");
    EXPECT_EQ(columnOf(grid, 2), "000000000000");
}

TEST(BarStringImage, EveryHexDigitInBothCases) {
    const std::string digits = "0123456789ABCDEFabcdef";
    const Grid grid = readGrid(digits + "\n");
    // Bits 8, 4, 2, 1 from top to bottom, each three pixel rows.
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int value = i < 16 ? static_cast<int>(i) : static_cast<int>(i) - 6;
        std::string expected;
        for (int bit = 3; bit >= 0; --bit) {
            expected.append(3, ((value >> bit) & 1) ? '1' : '0');
        }
        EXPECT_EQ(columnOf(grid, static_cast<int>(i)), expected) << digits[i];
    }
}

TEST(BarStringImage, LineEndsAndEmptyLinesDoNotChangeTheGrid) {
    const Grid plain = readGrid("8F0\n1A2\n");
    const std::vector<std::string> sameTexts = {
        "8F0\r\n1A2\r\n",      // CR LF
        "\n\n8F0\n\n1A2\n\n",  // empty lines anywhere
        "8F0\n1A2",            // no line end after the last line
        "8F\r0\n1A2\n",        // a CR inside a line is dropped
        "\r\n8F0\r\r\n1A2",
    };
    for (const std::string& text : sameTexts) {
        const Grid grid = readGrid(text);
        EXPECT_EQ(grid.height, 24) << text;
        EXPECT_EQ(grid.width, 3) << text;
        EXPECT_EQ(grid.rows, plain.rows) << text;
    }
}

TEST(BarStringImage, ShortLinesAreDroppedAndLongerOnesKept) {
    // 10, 8 (dropped), 10, 12 characters; the last two of the 12 are never read.
    const Grid grid = readGrid("0123456789\n01234567\n89ABCDEF01\n0000000000GZ\n");
    EXPECT_EQ(grid.height, 36);
    EXPECT_EQ(grid.width, 10);
    EXPECT_EQ(grid.rows[12].substr(0, 3), "111");  // 8, 9 and A of the kept third line
    EXPECT_EQ(grid.rows[21].substr(0, 3), "010");  // their lowest bits
    EXPECT_EQ(grid.rows[24], "0000000000");
}

TEST(BarStringImage, LastLineWithoutLineEndFollowsTheSameRule) {
    EXPECT_EQ(readGrid("000\n00").height, 12);
    EXPECT_EQ(readGrid("000\n0000").height, 24);
}

TEST(BarStringImage, NoLinesGiveAnEmptyGrid) {
    for (const std::string& text : {std::string(), std::string("\n\n\r\n"), std::string("\r")}) {
        const Grid grid = readGrid(text);
        EXPECT_EQ(grid.height, 0);
        EXPECT_EQ(grid.width, 0);
    }
}

TEST(BarStringImageDeathTest, NonHexCharacterInsideTheWidthEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char bad : {'G', ' ', 'x', '\x01'}) {
        const std::string text = std::string("8") + bad + "0\n";
        std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        BarStringMonoImage image(stream);
        std::fclose(stream);
        const std::string message = std::string("Invalid character\\(") +
                                    (bad == ' ' ? " " : std::string(1, bad)) +
                                    "\\) is encountered\\.\n";
        EXPECT_EXIT(image.GetPixel(0, 1), testing::ExitedWithCode(10), message) << int(bad);
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
