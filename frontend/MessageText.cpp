// SPDX-License-Identifier: Apache-2.0
#include "frontend/MessageText.h"

#include <cstddef>
#include <cstdint>

namespace ostrel2::tessoran {

namespace {

constexpr std::uint8_t kDelete = 127;

bool isControl(std::uint8_t byte) {
    return byte < 32 || byte == kDelete;
}

bool isContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence of more than one byte that starts
// at `text[start]`, or 0. Overlong forms, surrogates and code points past
// U+10FFFF are not valid: the ranges of the second byte below rule them out.
std::size_t multiByteSequenceLength(std::string_view text, std::size_t start) {
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[start + i]); };
    const std::uint8_t lead = at(0);
    std::size_t length = 0;
    std::uint8_t secondLow = 0x80;
    std::uint8_t secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0;  // below: overlong
        } else if (lead == 0xED) {
            secondHigh = 0x9F;  // above: surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondLow = 0x90;  // below: overlong
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;  // above: past U+10FFFF
        }
    } else {
        return 0;
    }
    if (text.size() - start < length || at(1) < secondLow || at(1) > secondHigh) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i))) {
            return 0;
        }
    }
    return length;
}

void appendEscaped(std::string& out, std::uint8_t byte) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

}  // namespace

std::string messageText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte < 0x80) {
            if (isControl(byte)) {
                appendEscaped(out, byte);
            } else {
                out += static_cast<char>(byte);
            }
            ++i;
            continue;
        }
        const std::size_t length = multiByteSequenceLength(text, i);
        if (length == 0) {
            appendEscaped(out, byte);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace ostrel2::tessoran
