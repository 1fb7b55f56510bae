// SPDX-License-Identifier: Apache-2.0
#pragma once

// Data codewords of Macro PDF417 pieces, written as an encoder writes them,
// for tests that read them back.

#include <cstdint>
#include <string>
#include <vector>

namespace tessoran_test {

// One numeric-compaction group: the decimal `digits` (at most 44) after a
// leading 1, as base-900 codewords, most significant first.
std::vector<std::int32_t> numericGroup(const std::string& digits);

// A control block: 928, the segment index as five digits in one numeric
// group, then the file ID codewords.
std::vector<std::int32_t> controlBlock(std::uint32_t segmentIndex,
                                       const std::vector<std::int32_t>& fileId);

// The symbol's codewords for `data`: the length descriptor first.
std::vector<std::int32_t> withLengthDescriptor(const std::vector<std::int32_t>& data);

}  // namespace tessoran_test
