// SPDX-License-Identifier: Apache-2.0
#pragma once

// The zint encoder as an independent source of PDF417 symbols for tests.

#include <string>
#include <vector>

namespace tessoran_test {

// Module rows of a symbol, one string of '1' (bar) and '0' per symbol row,
// from `zint -b 55 <options> --dump` with `data` given through a file (so any
// bytes can be encoded). Trailing light padding is removed.
std::vector<std::string> zintModuleRows(const std::vector<std::string>& options,
                                        const std::string& data);

// Writes a PNG of the same symbol to `path` (zint's --scale 0.5 is one pixel
// per module).
void zintPng(const std::vector<std::string>& options, const std::string& data,
             const std::string& path);

// The data and check codewords of module rows, read back with the standard's
// pattern table (independently of the decoder): every row's data columns,
// row indicators and start/stop patterns left out.
std::vector<int> moduleRowsToCodewords(const std::vector<std::string>& rows);

// What the row indicators of module rows state, read back the same way.
struct SymbolFormat {
    int rows = 0;
    int columns = 0;  // data columns
    int ecLevel = 0;
};
SymbolFormat moduleRowsFormat(const std::vector<std::string>& rows);

}  // namespace tessoran_test
