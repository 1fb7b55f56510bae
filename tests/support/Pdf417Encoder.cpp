// SPDX-License-Identifier: Apache-2.0
#include "support/Pdf417Encoder.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <sstream>
#include <stdexcept>

namespace tessoran_test {

namespace {

constexpr int kPrime = 929;
constexpr int kCodewordValues = 929;
constexpr int kPadding = 900;
constexpr int kMaxRows = 90;
constexpr int kMaxCodewords = 928;
constexpr int kModulesPerCodeword = 17;

// Constant, so that symbols drawn while other files' globals are made see them.
constexpr int kStartPattern[] = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr int kStopPattern[] = {7, 1, 1, 3, 1, 1, 1, 2, 1};

using PatternTable = std::vector<std::vector<int>>;  // [cluster / 3 * 929 + codeword]

PatternTable loadPatterns() {
    std::ifstream file(TESSORAN_SOURCE_DIR "/data/pdf417-codeword-patterns.txt");
    if (!file) {
        throw std::runtime_error("the codeword pattern table is missing");
    }
    PatternTable table(3 * kCodewordValues);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        int cluster = -1;
        int codeword = -1;
        std::string widths;
        if (line.empty() || line[0] == '#' || !(fields >> cluster >> codeword >> widths)) {
            continue;
        }
        for (const char digit : widths) {
            table.at(static_cast<std::size_t>(cluster / 3 * kCodewordValues + codeword))
                .push_back(digit - '0');
        }
    }
    return table;
}

int modulo(long long value) {
    const long long reduced = value % kPrime;
    return static_cast<int>(reduced < 0 ? reduced + kPrime : reduced);
}

// Widths of alternating bars and spaces, bar first, as modules ('1' dark).
std::string modulesOf(std::span<const int> widths) {
    std::string modules;
    bool dark = true;
    for (const int width : widths) {
        modules.append(static_cast<std::size_t>(width), dark ? '1' : '0');
        dark = !dark;
    }
    return modules;
}

void requireWellFormed(const Pdf417Symbol& symbol) {
    const std::size_t count = static_cast<std::size_t>(symbol.rows) * symbol.columns;
    if (symbol.rows < 1 || symbol.columns < 1 || symbol.codewords.size() != count ||
        (!symbol.drawCluster.empty() && symbol.drawCluster.size() != count)) {
        throw std::invalid_argument("symbol size does not match its codewords");
    }
}

}  // namespace

// From the three-row cycle of what the indicators announce: row count, column
// count and level.
std::pair<int, int> rowIndicators(const Pdf417Symbol& symbol, int row) {
    const int base = 30 * (row / 3);
    // The left indicator of rows 0, 1, 2 (mod 3) states the first, second and
    // third part; the right one the part before it.
    const int parts[] = {(symbol.rows - 1) / 3, 3 * symbol.ecLevel + (symbol.rows - 1) % 3,
                         symbol.columns - 1};
    return {base + parts[row % 3], base + parts[(row + 2) % 3]};
}

std::vector<int> checkCodewords(const std::vector<int>& data, int ecCount) {
    // g(x) = (x - 3)(x - 3^2)...(x - 3^ecCount), highest power first (monic).
    std::vector<int> generator = {1};
    for (long long i = 0, root = 3; i < ecCount; ++i, root = root * 3 % kPrime) {
        generator.push_back(0);
        for (std::size_t j = generator.size() - 1; j > 0; --j) {
            generator[j] = modulo(generator[j] - root * generator[j - 1]);
        }
    }
    // Long division of d(x) x^E by g(x); what is left in the last E places is
    // the remainder, and the check codewords are its negation.
    std::vector<int> work(data);
    work.resize(data.size() + static_cast<std::size_t>(ecCount), 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const int lead = modulo(work[i]);
        for (std::size_t j = 1; j < generator.size(); ++j) {
            work[i + j] = modulo(work[i + j] - static_cast<long long>(lead) * generator[j]);
        }
    }
    std::vector<int> check;
    for (std::size_t i = data.size(); i < work.size(); ++i) {
        check.push_back(modulo(-static_cast<long long>(work[i])));
    }
    return check;
}

Pdf417Symbol encodeSymbol(const std::vector<int>& data, int ecLevel, int columns, int minRows) {
    if (ecLevel < 0 || ecLevel > 8 || columns < 1 || columns > 30) {
        throw std::invalid_argument("level must be 0-8 and columns 1-30");
    }
    if (std::any_of(data.begin(), data.end(),
                    [](int codeword) { return codeword < 0 || codeword >= kCodewordValues; })) {
        throw std::invalid_argument("codewords must be 0-928");
    }
    const int ecCount = 2 << ecLevel;
    const int needed = 1 + static_cast<int>(data.size()) + ecCount;
    const int rows = std::max({minRows, 3, (needed + columns - 1) / columns});
    if (rows > kMaxRows || rows * columns > kMaxCodewords) {
        throw std::invalid_argument("symbol would exceed 90 rows or 928 codewords");
    }

    const int lengthDescriptor = rows * columns - ecCount;
    Pdf417Symbol symbol{rows, columns, ecLevel, {lengthDescriptor}, {}};
    symbol.codewords.insert(symbol.codewords.end(), data.begin(), data.end());
    symbol.codewords.resize(static_cast<std::size_t>(lengthDescriptor), kPadding);
    const std::vector<int> check = checkCodewords(symbol.codewords, ecCount);
    symbol.codewords.insert(symbol.codewords.end(), check.begin(), check.end());
    symbol.drawCluster.assign(symbol.codewords.size(), -1);
    return symbol;
}

const std::vector<int>& codewordElements(int cluster, int codeword) {
    static const PatternTable patterns = loadPatterns();
    if ((cluster != 0 && cluster != 3 && cluster != 6) || codeword < 0 ||
        codeword >= kCodewordValues) {
        throw std::invalid_argument("no pattern for cluster " + std::to_string(cluster) +
                                    ", codeword " + std::to_string(codeword));
    }
    return patterns[static_cast<std::size_t>(cluster / 3 * kCodewordValues + codeword)];
}

std::string codewordModules(int cluster, int codeword) {
    return modulesOf(codewordElements(cluster, codeword));
}

std::vector<std::string> moduleRowsOf(const Pdf417Symbol& symbol) {
    requireWellFormed(symbol);
    std::vector<std::string> rows;
    for (int row = 0; row < symbol.rows; ++row) {
        const int cluster = 3 * (row % 3);
        const auto [left, right] = rowIndicators(symbol, row);
        std::string modules = modulesOf(kStartPattern) + codewordModules(cluster, left);
        for (int column = 0; column < symbol.columns; ++column) {
            const std::size_t index = static_cast<std::size_t>(row) * symbol.columns + column;
            const int drawnAs = symbol.drawCluster.empty() ? -1 : symbol.drawCluster[index];
            modules += codewordModules(drawnAs == -1 ? cluster : drawnAs, symbol.codewords[index]);
        }
        rows.push_back(modules + codewordModules(cluster, right) + modulesOf(kStopPattern));
    }
    return rows;
}

PixelGrid renderSymbol(const Pdf417Symbol& symbol, const RenderOptions& options) {
    requireWellFormed(symbol);
    if (options.moduleWidth < 1 || options.rowHeight < 1 || options.quietZone < 0) {
        throw std::invalid_argument("bad render options");
    }
    const int marginColumns = options.quietZone * options.moduleWidth;
    const int marginRows = (options.quietZone * options.rowHeight + 2) / 3;
    const int width =
        (kModulesPerCodeword * symbol.columns + 69 + 2 * options.quietZone) * options.moduleWidth;
    const int height = symbol.rows * options.rowHeight + 2 * marginRows;
    PixelGrid grid{width, height,
                   std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    const std::vector<std::string> rows = moduleRowsOf(symbol);
    for (int y = marginRows; y < height - marginRows; ++y) {
        const std::string& modules =
            rows[static_cast<std::size_t>((y - marginRows) / options.rowHeight)];
        for (std::size_t m = 0; m < modules.size(); ++m) {
            std::fill_n(grid.dark.begin() + y * width + marginColumns + m * options.moduleWidth,
                        options.moduleWidth, modules[m] == '1');
        }
    }
    return grid;
}

std::string toBarString(const Pdf417Symbol& symbol) {
    return moduleRowsToBarString(moduleRowsOf(symbol));
}

std::string moduleRowsToBarString(const std::vector<std::string>& rows) {
    std::size_t width = 0;
    for (const std::string& row : rows) {
        width = std::max(width, row.size());
    }
    std::string text;
    for (std::size_t top = 0; top < rows.size(); top += 4) {
        for (std::size_t column = 0; column < width; ++column) {
            int digit = 0;
            // The top row of the four is the digit's highest bit; rows past
            // the symbol's end stay light.
            for (std::size_t r = top; r < top + 4; ++r) {
                const bool dark =
                    r < rows.size() && column < rows[r].size() && rows[r][column] == '1';
                digit |= (dark ? 1 : 0) << (3 - (r - top));
            }
            text += "0123456789ABCDEF"[digit];
        }
        text += '\n';
    }
    return text;
}

std::string sizeLine(const Pdf417Symbol& symbol) {
    return std::to_string(symbol.rows) + " Rows, " + std::to_string(symbol.columns) +
           " Cols, Error correction " + std::to_string(symbol.ecLevel) + ".\n";
}

std::vector<int> textCodewords(const std::vector<int>& values) {
    std::vector<int> codewords;
    for (std::size_t i = 0; i < values.size(); i += 2) {
        codewords.push_back(30 * values[i] + (i + 1 < values.size() ? values[i + 1] : 29));
    }
    return codewords;
}

}  // namespace tessoran_test
