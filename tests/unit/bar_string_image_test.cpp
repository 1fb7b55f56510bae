// SPDX-License-Identifier: Apache-2.0
#include "pattern/BarStringMonoImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel2::tessoran {
namespace {

// The image read from `text`.
std::unique_ptr<BarStringMonoImage> readImage(std::string text) {
    std::FILE* stream = fmemopen(text.data(), text.size(), "r");
    auto image = std::make_unique<BarStringMonoImage>(stream);
    std::fclose(stream);
    return image;
}

// The grid read back as text: a line for every 12 pixel rows, a digit for
// every column, whose bits 8, 4, 2, 1 are dark from the top, three rows each.
std::vector<std::string> linesOf(BarStringMonoImage& image) {
    std::vector<std::string> lines;
    for (int top = 0; top < image.GetHeight(); top += 12) {
        lines.emplace_back();
        for (int column = 0; column < image.GetWidth(); ++column) {
            int value = 0;
            for (int row = top; row < top + 12; ++row) {
                value |= (image.GetPixel(row, column) ? 1 : 0) << (3 - (row - top) / 3);
            }
            lines.back().push_back("0123456789ABCDEF"[value]);
        }
    }
    return lines;
}

struct TextCase {
    const char* what;
    std::string text;
    std::vector<std::string> lines;  // the grid's lines; characters that are no digit are light
    std::optional<char> invalid = std::nullopt;
};

// Line ends, CR, zero bytes, bytes above 127, empty input and characters past
// the width are the command line's bar strings, run end to end.
TEST(BarStringImage, TextToGrid) {
    const std::vector<TextCase> cases = {
        {"every digit in both cases", "0123456789ABCDEFabcdef\n", {"0123456789ABCDEFABCDEF"}},
        {"the characters beside the digits", "0/:@G`g\n", {"0000000"}, '/'},
        {"empty lines anywhere", "\n\n8F0\n\n1A2\n\n", {"8F0", "1A2"}},
        {"CRs dropped, no final line end", "\r\n8F\r0\r\r\n1A2", {"8F0", "1A2"}},
        {"short lines dropped, long ones read to the width",
         "0123456789\n01234567\n89ABCDEF01\n0000000000GZ\n000",
         {"0123456789", "89ABCDEF01", "0000000000"}},
        // The character named is the one the decoder meets first: it reads
        // pixel rows top to bottom, each left to right.
        {"an earlier line's late column first", "80G\nX00\n", {"800", "000"}, 'G'},
        {"in a dropped line", "800\nG0\n000\n", {"800", "000"}},
    };
    for (const TextCase& test : cases) {
        SCOPED_TRACE(test.what);
        const auto image = readImage(test.text);
        EXPECT_EQ(image->GetHeight(), 12 * static_cast<int>(test.lines.size()));
        EXPECT_EQ(linesOf(*image), test.lines);
        EXPECT_EQ(image->firstInvalidCharacter(), test.invalid);
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
