#pragma once

// Runs the real program on symbols made by the test encoder, once from a
// bar-string file and once from a rendered image, so that end-to-end tests
// can hold both inputs to the same expected output.

#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {

// "%d Rows, %d Cols, Error correction %d.\n" for `symbol`.
std::string sizeLine(const Pdf417Symbol& symbol);

// Text-compaction codewords from text values (0 to 29), two values a
// codeword (30 * first + second). An odd count is padded with 29, the shift
// to punctuation that encoders use as a filler.
std::vector<int> textCodewords(const std::vector<int>& values);

// Encodes `data` like encodeSymbol, but puts the padding codewords (900)
// before data[padAt] instead of after the data, so that the last data
// codeword is the symbol's last: what a terminator 922 or a test of the data's
// end needs.
Pdf417Symbol encodeWithPaddingAt(std::vector<int> data, std::size_t padAt, int ecLevel,
                                 int columns);

// Writes `symbol` as a bar-string file in `directory` and runs the program on it.
RunOutcome runOnBarString(const Pdf417Symbol& symbol, const TemporaryDirectory& directory);

// Renders `symbol`, writes it as a grey PNG file in `directory` and runs the
// program on it. By default two pixels a module and six pixel rows a symbol row.
RunOutcome runOnPng(const Pdf417Symbol& symbol, const TemporaryDirectory& directory,
                    const RenderOptions& options = {2, 6, 2});

// Runs the program on `symbol` from a bar-string file and from a PNG and
// expects both runs to end with status 0 and exactly these outputs.
void expectBothInputsEndWith(const Pdf417Symbol& symbol, const std::string& expectedOut,
                             const std::string& expectedErr);

}  // namespace tessoran_test
