// SPDX-License-Identifier: Apache-2.0
#include "pattern/BarStringMonoImage.h"

#include <algorithm>
#include <array>
#include <limits>

#include "pattern/GridLimit.h"

namespace ostrel2::tessoran {

namespace {

// Within the limit, the grid's sizes fit the signed 32-bit numbers that
// report them: every line has at least one character.
static_assert(kMaxGridPixels / BarStringMonoImage::modulesPerCharacter *
                  BarStringMonoImage::pixelRowsPerLine <=
              std::numeric_limits<std::int32_t>::max());

constexpr char kCarriageReturn = 13;
constexpr char kLineFeed = 10;

// Read in blocks rather than a character at a time: a text may be many
// megabytes long.
constexpr std::size_t kReadBlockSize = 64 * 1024;

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

int hexDigitValue(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

// Whether `lines` lines of `width` characters stay within the limit.
bool gridFits(std::uint64_t width, std::uint64_t lines) {
    return width * lines <= kMaxGridPixels / BarStringMonoImage::modulesPerCharacter;
}

}  // namespace

BarStringMonoImage::BarStringMonoImage(std::FILE* stream) {
    read(stream);
}

void BarStringMonoImage::read(std::FILE* stream) {
    // Line ends, dropped lines and characters past the width are no part of
    // the grid, but they are counted too: a text longer than the largest grid
    // could need is refused, so that no endless stream keeps the reading
    // going.
    std::uint64_t textBytes = 0;
    std::vector<char> block(kReadBlockSize);
    for (std::size_t count = std::fread(block.data(), 1, block.size(), stream); count > 0;
         count = std::fread(block.data(), 1, block.size(), stream)) {
        textBytes += count;
        if (textBytes > kMaxGridPixels) {
            readingEnd = BarStringReading::TooLarge;
            return;
        }
        const char* const end = block.data() + count;
        for (const char* next = block.data(); next != end;) {
            if (*next == kCarriageReturn) {
                ++next;
            } else if (*next == kLineFeed) {
                endLine();
                ++next;
            } else {
                const char* const runEnd = std::find_if(
                    next, end, [](char c) { return c == kCarriageReturn || c == kLineFeed; });
                if (!take(next, runEnd)) {
                    readingEnd = BarStringReading::TooLarge;
                    return;
                }
                next = runEnd;
            }
        }
    }
    if (std::ferror(stream) != 0) {
        readingEnd = BarStringReading::Unreadable;
        return;
    }
    endLine();  // a last line needs no line feed
}

bool BarStringMonoImage::take(const char* first, const char* last) {
    const auto count = static_cast<std::size_t>(last - first);
    if (width == 0) {
        // The first line: it is all kept, as it fixes the width.
        if (!gridFits(pendingLength + count, 1)) {
            return false;
        }
        characters.insert(characters.end(), first, last);
        pendingLength += count;
        return true;
    }
    // Characters past the width are never read, and not kept.
    const std::size_t kept = pendingLength < width ? std::min(count, width - pendingLength) : 0;
    // A line that reaches the width is kept: this is the moment to know
    // whether the grid can take it.
    const bool reachesWidth = pendingLength < width && pendingLength + count >= width;
    if (reachesWidth && !gridFits(width, lineCount + 1)) {
        return false;
    }
    characters.insert(characters.end(), first, first + kept);
    pendingLength += count;
    return true;
}

void BarStringMonoImage::endLine() {
    if (pendingLength == 0) {
        return;
    }
    if (width == 0) {
        width = pendingLength;
        lineCount = 1;
    } else if (pendingLength >= width) {
        ++lineCount;
    } else {
        characters.resize(lineCount * width);  // too short: dropped
    }
    pendingLength = 0;
}

std::optional<char> BarStringMonoImage::firstInvalidCharacter() const {
    const std::size_t gridCharacters = lineCount * width;
    for (std::size_t i = 0; i < gridCharacters; ++i) {
        if (hexDigitValue(characters[i]) < 0) {
            return characters[i];
        }
    }
    return std::nullopt;
}

std::int32_t BarStringMonoImage::GetHeight() {
    return static_cast<std::int32_t>(lineCount) * pixelRowsPerLine;
}

std::int32_t BarStringMonoImage::GetWidth() {
    return static_cast<std::int32_t>(width);
}

bool BarStringMonoImage::GetPixel(std::int32_t row, std::int32_t column) {
    const std::size_t line = static_cast<std::size_t>(row / pixelRowsPerLine);
    const int value = hexDigitValue(characters[line * width + static_cast<std::size_t>(column)]);
    const int bitIndex = 3 - (row % pixelRowsPerLine) / 3;
    return value >= 0 && ((value >> bitIndex) & 1) != 0;
}

}  // namespace ostrel2::tessoran
