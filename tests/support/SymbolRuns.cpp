#include "support/SymbolRuns.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/ImageWriters.h"

namespace tessoran_test {

namespace {

constexpr int kTextLatch = 900;
constexpr int kPaddingShift = 29;

}  // namespace

std::string sizeLine(const Pdf417Symbol& symbol) {
    char line[80];
    std::snprintf(line, sizeof line, "%d Rows, %d Cols, Error correction %d.\n", symbol.rows,
                  symbol.columns, symbol.ecLevel);
    return line;
}

std::vector<int> textCodewords(const std::vector<int>& values) {
    std::vector<int> codewords;
    for (std::size_t i = 0; i < values.size(); i += 2) {
        const int second = i + 1 < values.size() ? values[i + 1] : kPaddingShift;
        codewords.push_back(30 * values[i] + second);
    }
    return codewords;
}

Pdf417Symbol encodeWithPaddingAt(std::vector<int> data, std::size_t padAt, int ecLevel,
                                 int columns) {
    const Pdf417Symbol padded = encodeSymbol(data, ecLevel, columns);
    const std::size_t padding = static_cast<std::size_t>(padded.codewords[0]) - 1 - data.size();
    data.insert(data.begin() + static_cast<std::ptrdiff_t>(padAt), padding, kTextLatch);
    return encodeSymbol(data, ecLevel, columns);
}

RunOutcome runOnBarString(const Pdf417Symbol& symbol, const TemporaryDirectory& directory) {
    return runTessoran({directory.write("symbol.txt", toBarString(symbol))});
}

RunOutcome runOnPng(const Pdf417Symbol& symbol, const TemporaryDirectory& directory,
                    const RenderOptions& options) {
    const std::string path = directory.path() + "/symbol.png";
    writePng(path, argbFromGrid(renderSymbol(symbol, options)), PngLayout::Grey8);
    return runTessoran({path});
}

void expectBothInputsEndWith(const Pdf417Symbol& symbol, const std::string& expectedOut,
                             const std::string& expectedErr) {
    TemporaryDirectory directory;
    const RunOutcome fromText = runOnBarString(symbol, directory);
    EXPECT_EQ(fromText.exitStatus, 0);
    EXPECT_EQ(fromText.out, expectedOut);
    EXPECT_EQ(fromText.err, expectedErr);

    const RunOutcome fromImage = runOnPng(symbol, directory);
    EXPECT_EQ(fromImage.exitStatus, 0);
    EXPECT_EQ(fromImage.out, expectedOut);
    EXPECT_EQ(fromImage.err, expectedErr);
}

}  // namespace tessoran_test
