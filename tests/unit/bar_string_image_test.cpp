#include "pattern/BarStringMonoImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pattern/GridLimit.h"

namespace ostrel2::tessoran {
namespace {

// A stream of `head`, then `body` over and over, `length` bytes in all.
struct Generated {
    std::string head, body;
    std::uint64_t length, position = 0;
};

// Gives at most what is left of `head` or of the current `body` period.
ssize_t readGenerated(void* cookie, char* buffer, std::size_t size) {
    auto& self = *static_cast<Generated*>(cookie);
    const bool inHead = self.position < self.head.size();
    const std::string& source = inHead ? self.head : self.body;
    const std::size_t offset =
        inHead ? self.position : (self.position - self.head.size()) % self.body.size();
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>({source.size() - offset, size, self.length - self.position}));
    std::copy_n(source.data() + offset, count, buffer);
    self.position += count;
    return static_cast<ssize_t>(count);
}

// The image read from `head`, then `period` repeated up to `length` bytes.
std::unique_ptr<BarStringMonoImage> readImage(std::string head, std::string period,
                                              std::uint64_t length) {
    while (period.size() < 65536) {
        period += period;  // whole periods, copied in large pieces
    }
    Generated generated{std::move(head), std::move(period), length};
    std::FILE* stream = fopencookie(&generated, "r", {readGenerated, nullptr, nullptr, nullptr});
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
        const auto image = readImage(test.text, "\n", test.text.size());
        EXPECT_EQ(image->GetHeight(), 12 * static_cast<int>(test.lines.size()));
        EXPECT_EQ(linesOf(*image), test.lines);
        EXPECT_EQ(image->firstInvalidCharacter(), test.invalid);
    }
}

// A grid may hold kMaxGridPixels modules, four a character; endless text is
// refused once it passes that (a stream that fails is the command line's).
TEST(BarStringImage, TextsAreReadUpToTheGridLimit) {
    constexpr std::uint64_t kCharacters = kMaxGridPixels / 4;
    constexpr std::uint64_t kLineLength = std::uint64_t{1} << 20;
    const std::string line = std::string(kLineLength, '0') + "\n";
    constexpr std::uint64_t kLines = kCharacters / kLineLength;
    struct ReadingCase {
        const char* what;
        std::string head, period;
        std::uint64_t length;
        BarStringReading reading;
        std::int32_t height = 0;  // when read completely
    };
    using enum BarStringReading;
    const ReadingCase cases[] = {
        {"lines up to the limit", "", line, kLines * line.size(), Complete,
         static_cast<std::int32_t>(kLines * 12)},
        {"one line more", "", line, (kLines + 1) * line.size(), TooLarge},
        {"a first line at the limit", "", "0", kCharacters, Complete, 12},
        {"a first line past it", "", "0", kCharacters + 1, TooLarge},
        // No grid grows from these, but the reading must end all the same.
        {"endless characters past a line's width", "0\n", "0", ~std::uint64_t{0}, TooLarge},
    };
    for (const ReadingCase& test : cases) {
        SCOPED_TRACE(test.what);
        const auto image = readImage(test.head, test.period, test.length);
        EXPECT_EQ(image->reading(), test.reading);
        EXPECT_EQ(test.reading == Complete ? image->GetHeight() : 0, test.height);
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
