#include "pattern/BarStringMonoImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "pattern/GridLimit.h"

namespace ostrel2::tessoran {
namespace {

struct Grid {
    int height = 0;
    int width = 0;
    std::vector<std::string> columns;  // top to bottom, '1' for a dark pixel
    std::optional<char> invalid;
};

Grid readGrid(const std::string& text) {
    std::FILE* stream =
        text.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    BarStringMonoImage image(stream);
    std::fclose(stream);
    Grid grid{image.GetHeight(), image.GetWidth(), {}, image.firstInvalidCharacter()};
    for (int column = 0; column < grid.width; ++column) {
        grid.columns.emplace_back();
        for (int row = 0; row < grid.height; ++row) {
            grid.columns.back().push_back(image.GetPixel(row, column) ? '1' : '0');
        }
    }
    return grid;
}

// The pixel column of a digit: bits 8, 4, 2, 1 from the top, three pixel
// rows each; characters that are no digit are light.
std::string spelt(char character) {
    const std::string digits = "0123456789abcdef";
    const std::size_t value = digits.find(static_cast<char>(std::tolower(character)));
    std::string column;
    for (int bit = 3; bit >= 0; --bit) {
        column.append(3, value != std::string::npos && (value >> bit & 1) != 0 ? '1' : '0');
    }
    return column;
}

struct TextCase {
    const char* what;
    std::string text;
    std::vector<std::string> lines;  // the lines that make the grid
    std::optional<char> invalid = std::nullopt;
};

TEST(BarStringImage, TextToGrid) {
    const std::vector<TextCase> cases = {
        {"every digit in both cases", "0123456789ABCDEFabcdef\n", {"0123456789ABCDEFabcdef"}},
        {"CR LF", "8F0\r\n1A2\r\n", {"8F0", "1A2"}},
        {"empty lines anywhere", "\n\n8F0\n\n1A2\n\n", {"8F0", "1A2"}},
        {"no line end at the end", "8F0\n1A2", {"8F0", "1A2"}},
        {"a CR inside a line is dropped", "\r\n8F\r0\r\r\n1A2", {"8F0", "1A2"}},
        // Shorter lines are dropped; of longer ones, what is past the width
        // is never read.
        {"short and long lines",
         "0123456789\n01234567\n89ABCDEF01\n0000000000GZ\n",
         {"0123456789", "89ABCDEF01", "0000000000"}},
        {"a short last line", "000\n00", {"000"}},
        {"a longer last line", "000\n0000", {"000", "000"}},
        {"nothing", "", {}},
        {"no lines", "\n\n\r\n", {}},
        // The character named is the one the decoder meets first: it reads
        // pixel rows top to bottom, each left to right.
        {"a later line's early column after an earlier line's late one",
         "80G\nX00\n",
         {"80G", "X00"},
         'G'},
        {"an earlier line before a later one", "800\nX0G\n", {"800", "X0G"}, 'X'},
        {"past the width", "800\n000GZ\n", {"800", "000"}},
        {"in a dropped line", "800\nG0\n000\n", {"800", "000"}},
        {"a space", "8 0\n", {"8 0"}, ' '},
        {"a zero byte", std::string("80\0\n", 4), {std::string("80\0", 3)}, '\0'},
        {"a byte above 127",
         "8\xE9"
         "0\n",
         {"8\xE9"
          "0"},
         '\xE9'},
    };
    for (const TextCase& test : cases) {
        SCOPED_TRACE(test.what);
        const Grid grid = readGrid(test.text);
        EXPECT_EQ(grid.height, 12 * static_cast<int>(test.lines.size()));
        std::vector<std::string> expected(test.lines.empty() ? 0 : test.lines[0].size());
        for (const std::string& line : test.lines) {
            for (std::size_t column = 0; column < expected.size(); ++column) {
                expected[column] += spelt(line[column]);
            }
        }
        EXPECT_EQ(grid.columns, expected);
        EXPECT_EQ(grid.invalid, test.invalid);
    }
}

// A stream of `prefix`, then `period` repeated up to `length` bytes in all,
// failing instead of ending when `fails`.
class GeneratedStream {
  public:
    GeneratedStream(std::string prefix, const std::string& period, std::uint64_t length,
                    bool fails = false)
        : head(std::move(prefix)), body(period), total(length), failing(fails) {
        while (body.size() < 65536) {
            body += body;  // whole periods, copied in large pieces
        }
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
            const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(
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

    std::string head;
    std::string body;
    std::uint64_t total;
    bool failing;
    std::uint64_t position = 0;
    std::FILE* stream = nullptr;
};

// A grid may hold kMaxGridPixels modules, four a character; endless text is
// refused once it passes that, and a stream that fails is unreadable.
TEST(BarStringImage, TextsAreReadUpToTheGridLimit) {
    constexpr std::uint64_t kCharacters = kMaxGridPixels / 4;
    constexpr std::uint64_t kLineLength = std::uint64_t{1} << 20;
    const std::string line = std::string(kLineLength, '0') + "\n";
    constexpr std::uint64_t kLines = kCharacters / kLineLength;
    struct ReadingCase {
        const char* what;
        std::string prefix;
        std::string period;
        std::uint64_t length;
        BarStringReading reading;
        std::int32_t height = 0;  // when read completely
        bool fails = false;
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
        {"a failing stream", "0F0\n", "0F0\n", 1000, Unreadable, 0, true},
    };
    for (const ReadingCase& test : cases) {
        SCOPED_TRACE(test.what);
        GeneratedStream stream(test.prefix, test.period, test.length, test.fails);
        BarStringMonoImage image(stream.get());
        EXPECT_EQ(image.reading(), test.reading);
        if (test.reading == Complete) {
            EXPECT_EQ(image.GetHeight(), test.height);
        }
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
