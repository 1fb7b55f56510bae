#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

std::string sizeLine(const Pdf417Symbol& symbol) {
    char line[80];
    std::snprintf(line, sizeof line, "%d Rows, %d Cols, Error correction %d.\n", symbol.rows,
                  symbol.columns, symbol.ecLevel);
    return line;
}

// The size line comes first on standard output; the decoded data follows it.
TEST(DecodeSizeLine, BarStringsOfEveryLevel) {
    TemporaryDirectory directory;
    for (int level = 0; level <= 8; ++level) {
        for (const int columns : {1, 2, 9, 17, 30}) {
            Pdf417Symbol symbol;
            try {
                symbol = encodeSymbol({1, 2, 3, 4}, level, columns);
            } catch (const std::invalid_argument&) {
                continue;  // more rows than a symbol may have
            }
            const std::string path = directory.write("symbol.txt", toBarString(symbol));
            const RunOutcome run = runTessoran({path});
            EXPECT_EQ(run.exitStatus, 0);
            EXPECT_EQ(run.err, expectedBanner());
            EXPECT_EQ(run.out.substr(0, sizeLine(symbol).size()), sizeLine(symbol))
                << "level " << level << " columns " << columns;
        }
    }
}

TEST(DecodeSizeLine, BarStringOnStandardInput) {
    const Pdf417Symbol symbol = encodeSymbol({100, 200}, 3, 6);
    const RunOutcome run = runTessoran({"-i"}, toBarString(symbol));
    EXPECT_EQ(run.exitStatus, 0);
    const std::string expected = "Enter barcode string below (V4 only):\n" + sizeLine(symbol);
    EXPECT_EQ(run.out.substr(0, expected.size()), expected);
}

TEST(DecodeSizeLine, PatternWithoutASymbolFails) {
    TemporaryDirectory directory;
    const std::string light(120, '0');
    const std::string path = directory.write("blank.txt", light + "\n" + light + "\n");
    const RunOutcome run = runTessoran({path});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, expectedBanner() + "Decoding failed.\n");
}

}  // namespace
}  // namespace tessoran_test
