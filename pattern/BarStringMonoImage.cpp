#include "pattern/BarStringMonoImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace ostrel2::tessoran {

namespace {

constexpr int kCarriageReturn = 13;
constexpr int kLineFeed = 10;

// The grid's sizes are signed 32-bit numbers; lines past what they can count
// are never part of the symbol.
constexpr std::size_t kMaxLines =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 12);
constexpr std::size_t kMaxWidth =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

// The value of each byte as a hexadecimal digit, -1 for any other byte: one
// table read per pixel, as the decoder reads every pixel.
constexpr std::array<std::int8_t, 256> kHexDigitValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int digit = 0; digit < 10; ++digit) {
        values['0' + digit] = static_cast<std::int8_t>(digit);
    }
    for (int digit = 0; digit < 6; ++digit) {
        values['A' + digit] = static_cast<std::int8_t>(10 + digit);
        values['a' + digit] = static_cast<std::int8_t>(10 + digit);
    }
    return values;
}();

[[noreturn]] void stopOnInvalidCharacter(char c) {
    std::fprintf(stderr, "Invalid character(%c) is encountered.\n", c);
    std::exit(10);
}

}  // namespace

BarStringMonoImage::BarStringMonoImage(std::FILE* stream) {
    std::string line;
    for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) {
        if (c == kCarriageReturn) {
            continue;
        }
        if (c == kLineFeed) {
            acceptLine(line);
            continue;
        }
        line.push_back(static_cast<char>(c));
    }
    acceptLine(line);
}

void BarStringMonoImage::acceptLine(std::string& line) {
    if (!line.empty()) {
        if (width == 0) {
            width = std::min(line.size(), kMaxWidth);
        }
        if (line.size() >= width && lines.size() < kMaxLines) {
            lines.push_back(line);
        }
    }
    line.clear();
}

std::int32_t BarStringMonoImage::GetHeight() {
    return static_cast<std::int32_t>(lines.size()) * pixelRowsPerLine;
}

std::int32_t BarStringMonoImage::GetWidth() {
    return static_cast<std::int32_t>(width);
}

bool BarStringMonoImage::GetPixel(std::int32_t row, std::int32_t column) {
    const char c =
        lines[static_cast<std::size_t>(row / pixelRowsPerLine)][static_cast<std::size_t>(column)];
    const int value = kHexDigitValues[static_cast<unsigned char>(c)];
    if (value < 0) {
        stopOnInvalidCharacter(c);
    }
    const int bitIndex = 3 - (row % pixelRowsPerLine) / 3;
    return ((value >> bitIndex) & 1) != 0;
}

}  // namespace ostrel2::tessoran
