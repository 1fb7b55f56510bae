#include "support/Zint.h"

#include <cstdio>
#include <map>
#include <stdexcept>

#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {

namespace {

constexpr std::size_t kCodewordModules = 17;
constexpr std::size_t kStopModules = 18;

std::string shellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string runZint(const std::vector<std::string>& options, const std::string& data,
                    const std::string& extra) {
    TemporaryDirectory directory;
    const std::string input = directory.write("data.bin", data);
    std::string command = "zint -b 55 --binary";
    for (const std::string& option : options) {
        command += " " + shellQuote(option);
    }
    command += " --input=" + shellQuote(input) + " " + extra + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run zint");
    }
    std::string output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, count);
    }
    if (pclose(pipe) != 0) {
        throw std::runtime_error("zint failed: " + command + "\n" + output);
    }
    return output;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

// Pattern of 17 modules ("1" bar) of each codeword, per cluster index 0..2.
const std::map<std::string, int>& patternsOfCluster(int clusterIndex) {
    static const auto tables = [] {
        std::vector<std::map<std::string, int>> all(3);
        for (int index = 0; index < 3; ++index) {
            for (int codeword = 0; codeword < 929; ++codeword) {
                std::string modules;
                bool bar = true;
                for (int width : codewordElements(3 * index, codeword)) {
                    modules.append(static_cast<std::size_t>(width), bar ? '1' : '0');
                    bar = !bar;
                }
                all[static_cast<std::size_t>(index)][modules] = codeword;
            }
        }
        return all;
    }();
    return tables[static_cast<std::size_t>(clusterIndex)];
}

}  // namespace

std::vector<std::string> zintModuleRows(const std::vector<std::string>& options,
                                        const std::string& data) {
    const std::string dump = runZint(options, data, "--dump");
    std::vector<std::string> rows;
    std::size_t lineStart = 0;
    for (std::size_t lineEnd; (lineEnd = dump.find('\n', lineStart)) != std::string::npos;
         lineStart = lineEnd + 1) {
        const std::string line = dump.substr(lineStart, lineEnd - lineStart);
        // zint's warnings ("Warning 748: Columns increased from 2 to 4") share
        // the stream with the dump; only lines of hexadecimal digits are rows.
        if (line.empty() || line.find_first_not_of("0123456789ABCDEF ") != std::string::npos) {
            continue;
        }
        std::string row;
        for (const char c : line) {
            if (c != ' ') {
                const int value = hexValue(c);
                for (int bit = 3; bit >= 0; --bit) {
                    row.push_back(((value >> bit) & 1) ? '1' : '0');
                }
            }
        }
        rows.push_back(row.substr(0, row.find_last_of('1') + 1));
    }
    return rows;
}

void zintPng(const std::vector<std::string>& options, const std::string& data,
             const std::string& path) {
    runZint(options, data, "--scale=0.5 -o " + shellQuote(path));
}

std::vector<int> moduleRowsToCodewords(const std::vector<std::string>& rows) {
    std::vector<int> codewords;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string& row = rows[r];
        // Start, left indicator, C data columns, right indicator, stop.
        const std::size_t columns = (row.size() - kStopModules) / kCodewordModules - 3;
        const auto& patterns = patternsOfCluster(static_cast<int>(r % 3));
        for (std::size_t c = 0; c < columns; ++c) {
            const std::string modules = row.substr((2 + c) * kCodewordModules, kCodewordModules);
            const auto found = patterns.find(modules);
            if (found == patterns.end()) {
                throw std::runtime_error("no codeword pattern in row " + std::to_string(r));
            }
            codewords.push_back(found->second);
        }
    }
    return codewords;
}

SymbolFormat moduleRowsFormat(const std::vector<std::string>& rows) {
    const auto leftIndicator = [&](std::size_t r) {
        if (r >= rows.size() || rows[r].size() < 2 * kCodewordModules) {
            throw std::runtime_error("too few module rows for a symbol");
        }
        const auto& patterns = patternsOfCluster(static_cast<int>(r % 3));
        const auto found = patterns.find(rows[r].substr(kCodewordModules, kCodewordModules));
        if (found == patterns.end()) {
            throw std::runtime_error("no row indicator in row " + std::to_string(r));
        }
        return found->second % 30;
    };
    SymbolFormat format;
    format.rows = static_cast<int>(rows.size());
    format.columns = static_cast<int>((rows[0].size() - kStopModules) / kCodewordModules) - 3;
    // Row 0 states (rows - 1) div 3; row 1 states 3 x level + (rows - 1) mod 3.
    const int levelPart = leftIndicator(1) - (format.rows - 1) % 3;
    if (leftIndicator(0) != (format.rows - 1) / 3 || levelPart < 0 || levelPart % 3 != 0) {
        throw std::runtime_error("the row indicators do not match the number of rows");
    }
    format.ecLevel = levelPart / 3;
    return format;
}

}  // namespace tessoran_test
