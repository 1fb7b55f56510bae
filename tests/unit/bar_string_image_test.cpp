#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pattern/BarStringMonoImage.h"
#include "pattern/GridLimit.h"

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

struct InvalidCharacterCase {
    const char* what;
    std::string text;
    std::optional<char> expected;
};

// The character named is the one the decoder would meet first: it reads the
// grid's pixel rows top to bottom, each left to right.
TEST(BarStringImage, FirstInvalidCharacterInReadingOrderWithinTheGrid) {
    const std::vector<InvalidCharacterCase> cases = {
        {"digits only", "8F0\n1a2\n", std::nullopt},
        {"a later line, early column, after an earlier line, late column", "80G\nX00\n", 'G'},
        {"an earlier line before a later one", "800\nX0G\n", 'X'},
        {"past the width of a longer line", "800\n000GZ\n", std::nullopt},
        {"in a short line that is dropped", "800\nG0\n000\n", std::nullopt},
        {"a space", "8 0\n", ' '},
        {"a zero byte", std::string("80\0\n", 4), '\0'},
        {"a byte above 127",
         "8\xE9"
         "0\n",
         '\xE9'},
    };
    for (const InvalidCharacterCase& test : cases) {
        std::FILE* stream = fmemopen(const_cast<char*>(test.text.data()), test.text.size(), "r");
        BarStringMonoImage image(stream);
        std::fclose(stream);
        EXPECT_EQ(image.firstInvalidCharacter(), test.expected) << test.what;
        // The grid is read whole without stopping: such characters are light.
        for (int row = 0; row < image.GetHeight(); ++row) {
            for (int column = 0; column < image.GetWidth(); ++column) {
                image.GetPixel(row, column);
            }
        }
        EXPECT_EQ(image.GetPixel(0, 1), test.text[1] == 'F' || test.text[1] == '8') << test.what;
    }
}

// A stream of `prefix`, then `period` repeated up to `length` bytes in all
// (or without end), failing instead of ending when `fails`.
class GeneratedStream {
  public:
    static constexpr std::uint64_t kEndless = ~std::uint64_t{0};

    GeneratedStream(std::string prefix, std::string period, std::uint64_t length,
                    bool fails = false)
        : head(std::move(prefix)), body(repeatedPeriod(period)), total(length), failing(fails) {
        stream = fopencookie(this, "r", {read, nullptr, nullptr, nullptr});
    }
    ~GeneratedStream() { std::fclose(stream); }
    GeneratedStream(const GeneratedStream&) = delete;
    GeneratedStream& operator=(const GeneratedStream&) = delete;

    std::FILE* get() const { return stream; }

  private:
    static ssize_t read(void* cookie, char* buffer, std::size_t size) {
        auto& self = *static_cast<GeneratedStream*>(cookie);
        std::size_t count = 0;
        while (count < size && self.position < self.total) {
            const bool inHead = self.position < self.head.size();
            const std::string& source = inHead ? self.head : self.body;
            const std::size_t offset =
                inHead ? self.position : (self.position - self.head.size()) % self.body.size();
            const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(
                {source.size() - offset, size - count, self.total - self.position}));
            std::copy_n(source.data() + offset, length, buffer + count);
            count += length;
            self.position += length;
        }
        if (count == 0 && self.failing) {
            errno = EIO;
            return -1;
        }
        return static_cast<ssize_t>(count);
    }

    // Whole periods, enough of them to copy in large pieces.
    static std::string repeatedPeriod(const std::string& period) {
        std::string repeated = period;
        while (repeated.size() < 65536) {
            repeated += repeated;
        }
        return repeated;
    }

    std::string head;
    std::string body;
    std::uint64_t total;
    bool failing;
    std::uint64_t position = 0;
    std::FILE* stream = nullptr;
};

struct ReadingCase {
    const char* what;
    std::string prefix;
    std::string period;
    std::uint64_t length;
    BarStringReading expected;
    std::int32_t height = 0;  // when read completely
};

// 2^28 modules at four a character: a grid may hold 2^26 characters.
TEST(BarStringImage, TextsAreReadUpToTheGridLimit) {
    constexpr std::uint64_t kGridCharacters = kMaxGridPixels / 4;
    constexpr std::uint64_t kLineLength = std::uint64_t{1} << 20;
    const std::string line = std::string(kLineLength, '0') + "\n";
    const std::uint64_t kLinesAtLimit = kGridCharacters / kLineLength;
    const auto endless = GeneratedStream::kEndless;
    const std::vector<ReadingCase> cases = {
        {"lines up to the limit", "", line, kLinesAtLimit * line.size(), BarStringReading::Complete,
         static_cast<std::int32_t>(kLinesAtLimit * 12)},
        {"one line more", "", line, (kLinesAtLimit + 1) * line.size(), BarStringReading::TooLarge},
        {"a first line at the limit", "", "0", kGridCharacters, BarStringReading::Complete, 12},
        {"a first line past it", "", "0", kGridCharacters + 1, BarStringReading::TooLarge},
        // No grid grows from these, but the reading must end all the same.
        {"a line, then endless characters past its width", "0\n", "0", endless,
         BarStringReading::TooLarge},
    };
    for (const ReadingCase& test : cases) {
        GeneratedStream stream(test.prefix, test.period, test.length);
        BarStringMonoImage image(stream.get());
        EXPECT_EQ(image.reading(), test.expected) << test.what;
        if (test.expected == BarStringReading::Complete) {
            EXPECT_EQ(image.GetHeight(), test.height) << test.what;
        }
    }
}

TEST(BarStringImage, AFailingStreamIsUnreadable) {
    GeneratedStream stream("0F0\n", "0F0\n", 1000, true);
    BarStringMonoImage image(stream.get());
    EXPECT_EQ(image.reading(), BarStringReading::Unreadable);
}

}  // namespace
}  // namespace ostrel2::tessoran
