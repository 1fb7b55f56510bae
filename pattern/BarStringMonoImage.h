// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "pattern/I2DBitPattern.h"

namespace ostrel2::tessoran {

// How reading a bar string's text ended.
enum class BarStringReading {
    Complete,    // read to the end of the stream
    Unreadable,  // the stream failed (a directory, a closed descriptor, an I/O error)
    TooLarge,    // the grid would pass kMaxGridPixels modules, or the text that many bytes
};

// A pixel grid spelled out as a V4 bar string: each line is four symbol rows,
// each character one module column of them, as a hexadecimal digit whose bits
// from 8 down to 1 are the modules from top to bottom. Every symbol row is
// three pixel rows high, so a line is twelve pixel rows.
class BarStringMonoImage final : public ComObject<I2DBitPattern, IID_I2DBitPattern> {
  public:
    // Reads the stream to its end, or until the text is refused (see
    // reading()). Carriage returns are dropped wherever they stand; the first
    // non-empty line fixes the width; later lines shorter than it are
    // dropped, and of longer ones only the first width characters are kept:
    // the rest are never part of the grid. The stream is neither opened nor
    // closed here.
    explicit BarStringMonoImage(std::FILE* stream);

    BarStringReading reading() const { return readingEnd; }

    // The first character within the width of the kept lines that is not a
    // hexadecimal digit, in reading order (lines in order, characters left to
    // right): the character a reader of every pixel would meet first.
    std::optional<char> firstInvalidCharacter() const;

    std::int32_t GetHeight() override;
    std::int32_t GetWidth() override;
    // A character that is not a hexadecimal digit reads as light; the caller
    // asks firstInvalidCharacter() before it decodes.
    bool GetPixel(std::int32_t row, std::int32_t column) override;

    static constexpr std::int32_t pixelRowsPerLine = 12;
    static constexpr std::uint64_t modulesPerCharacter = 4;

  private:
    void read(std::FILE* stream);
    // Takes characters of the line being read, none of them a line end;
    // false when the text is refused.
    bool take(const char* first, const char* last);
    // Ends the line being read: it is kept or dropped.
    void endLine();

    // The first `width` characters of every kept line, back to back, then
    // those of the line being read.
    std::vector<char> characters;
    std::size_t width = 0;  // 0 until the first non-empty line ends
    std::size_t lineCount = 0;
    std::size_t pendingLength = 0;  // characters of the line being read, kept or not
    BarStringReading readingEnd = BarStringReading::Complete;
};

}  // namespace ostrel2::tessoran
