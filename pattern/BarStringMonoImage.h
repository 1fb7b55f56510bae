#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "pattern/I2DBitPattern.h"

namespace ostrel2::tessoran {

// A pixel grid spelled out as a V4 bar string: each line is four symbol rows,
// each character one module column of them, as a hexadecimal digit whose bits
// from 8 down to 1 are the modules from top to bottom. Every symbol row is
// three pixel rows high, so a line is twelve pixel rows.
class BarStringMonoImage final : public ComObject<I2DBitPattern, IID_I2DBitPattern> {
public:
    // Reads the stream to its end. Carriage returns are dropped wherever they
    // stand; the first non-empty line fixes the width; later lines shorter
    // than it are dropped. The stream is neither opened nor closed here.
    explicit BarStringMonoImage(std::FILE* stream);

    std::int32_t GetHeight() override;
    std::int32_t GetWidth() override;
    // A character that is not a hexadecimal digit ends the program with
    // status 10 after saying so on standard error.
    bool GetPixel(std::int32_t row, std::int32_t column) override;

    static constexpr std::int32_t pixelRowsPerLine = 12;

private:
    void acceptLine(std::string& line);

    std::vector<std::string> lines;
    std::size_t width = 0;
};

}  // namespace ostrel2::tessoran
