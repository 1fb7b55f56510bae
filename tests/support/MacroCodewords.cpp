// SPDX-License-Identifier: Apache-2.0
#include "support/MacroCodewords.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tessoran_test {

std::vector<std::int32_t> numericGroup(const std::string& digits) {
    if (digits.size() > 44) {
        throw std::invalid_argument("a numeric group holds at most 44 digits");
    }
    // Long division of the decimal number by 900, again and again.
    std::string number = "1" + digits;
    std::vector<std::int32_t> codewords;
    while (number != "0") {
        std::string quotient;
        int remainder = 0;
        for (const char digit : number) {
            remainder = remainder * 10 + (digit - '0');
            quotient.push_back(static_cast<char>('0' + remainder / 900));
            remainder %= 900;
        }
        codewords.push_back(remainder);
        const auto first = quotient.find_first_not_of('0');
        number = first == std::string::npos ? "0" : quotient.substr(first);
    }
    std::reverse(codewords.begin(), codewords.end());
    return codewords;
}

std::vector<std::int32_t> controlBlock(std::uint32_t segmentIndex,
                                       const std::vector<std::int32_t>& fileId) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05u", static_cast<unsigned>(segmentIndex));
    std::vector<std::int32_t> codewords = {928};
    const std::vector<std::int32_t> index = numericGroup(digits);
    codewords.insert(codewords.end(), index.begin(), index.end());
    codewords.insert(codewords.end(), fileId.begin(), fileId.end());
    return codewords;
}

std::vector<std::int32_t> withLengthDescriptor(const std::vector<std::int32_t>& data) {
    std::vector<std::int32_t> codewords = {static_cast<std::int32_t>(data.size() + 1)};
    codewords.insert(codewords.end(), data.begin(), data.end());
    return codewords;
}

}  // namespace tessoran_test
