// SPDX-License-Identifier: Apache-2.0
#pragma once

// Pictures that hold no symbol but much that looks like parts of one, for
// timing a reader's worst cases.

#include <cstdint>
#include <string>
#include <vector>

namespace tessoran_bench {

struct HostileImage {
    std::string description;  // for the table
    std::string path;
};

// Writes into `directory`: a 4000 x 3000 photo of a page of text, a
// 10,000 x 10,000 picture of grey noise and one of bar-like stripes (one row
// of a symbol repeated across and down).
std::vector<HostileImage> writeHostileImages(const std::string& directory, std::uint64_t seed);

}  // namespace tessoran_bench
