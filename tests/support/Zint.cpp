// SPDX-License-Identifier: Apache-2.0
#include "support/Zint.h"

#include <map>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {

namespace {

constexpr std::size_t kCodewordModules = 17;
constexpr std::size_t kStopModules = 18;

std::string runZint(const std::vector<std::string>& options, const std::string& data,
                    const std::vector<std::string>& extra) {
    TemporaryDirectory directory;
    std::vector<std::string> command = {"zint", "-b", "55", "--binary"};
    command.insert(command.end(), options.begin(), options.end());
    command.push_back("--input=" + directory.write("data.bin", data));
    command.insert(command.end(), extra.begin(), extra.end());
    const RunOutcome run = runProgram(command);
    if (run.exitStatus != 0) {
        throw std::runtime_error("zint failed: " + run.out + run.err);
    }
    return run.out;
}

// The codeword that each 17-module pattern ("1" bar) stands for in row `row`'s
// cluster; `what` names the part of the row for the error.
int codewordAt(const std::vector<std::string>& rows, std::size_t row, std::size_t start,
               const char* what) {
    static const auto tables = [] {
        std::vector<std::map<std::string, int>> all(3);
        for (int codeword = 0; codeword < 929; ++codeword) {
            for (std::size_t index = 0; index < 3; ++index) {
                all[index][codewordModules(3 * static_cast<int>(index), codeword)] = codeword;
            }
        }
        return all;
    }();
    if (row >= rows.size() || rows[row].size() < start + kCodewordModules) {
        throw std::runtime_error("too few module rows for a symbol");
    }
    const auto& patterns = tables[row % 3];
    const auto found = patterns.find(rows[row].substr(start, kCodewordModules));
    if (found == patterns.end()) {
        throw std::runtime_error(std::string("no ") + what + " in row " + std::to_string(row));
    }
    return found->second;
}

int dataColumns(const std::string& row) {
    // Start, left indicator, the data columns, right indicator, stop.
    return static_cast<int>((row.size() - kStopModules) / kCodewordModules) - 3;
}

}  // namespace

std::vector<std::string> zintModuleRows(const std::vector<std::string>& options,
                                        const std::string& data) {
    std::istringstream dump(runZint(options, data, {"--dump"}));
    std::vector<std::string> rows;
    for (std::string line; std::getline(dump, line);) {
        // zint's warnings ("Warning 748: Columns increased from 2 to 4") may
        // share the stream with the dump; only lines of hexadecimal digits are rows.
        if (line.empty() || line.find_first_not_of("0123456789ABCDEF ") != std::string::npos) {
            continue;
        }
        std::string row;
        for (const char c : line) {
            if (c != ' ') {
                const auto value = std::string_view("0123456789ABCDEF").find(c);
                for (int bit = 3; bit >= 0; --bit) {
                    row.push_back(((value >> bit) & 1) != 0 ? '1' : '0');
                }
            }
        }
        rows.push_back(row.substr(0, row.find_last_of('1') + 1));
    }
    return rows;
}

void zintPng(const std::vector<std::string>& options, const std::string& data,
             const std::string& path) {
    runZint(options, data, {"--scale=0.5", "-o", path});
}

std::vector<int> moduleRowsToCodewords(const std::vector<std::string>& rows) {
    std::vector<int> codewords;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < dataColumns(rows[r]); ++c) {
            codewords.push_back(codewordAt(
                rows, r, (2 + static_cast<std::size_t>(c)) * kCodewordModules, "codeword pattern"));
        }
    }
    return codewords;
}

SymbolFormat moduleRowsFormat(const std::vector<std::string>& rows) {
    const auto leftIndicator = [&](std::size_t r) {
        return codewordAt(rows, r, kCodewordModules, "row indicator") % 30;
    };
    SymbolFormat format;
    format.rows = static_cast<int>(rows.size());
    // Row 0 states (rows - 1) div 3; row 1 states 3 x level + (rows - 1) mod 3.
    const int levelPart = leftIndicator(1) - (format.rows - 1) % 3;
    if (leftIndicator(0) != (format.rows - 1) / 3 || levelPart < 0 || levelPart % 3 != 0) {
        throw std::runtime_error("the row indicators do not match the number of rows");
    }
    format.columns = dataColumns(rows[0]);
    format.ecLevel = levelPart / 3;
    return format;
}

}  // namespace tessoran_test
