// SPDX-License-Identifier: Apache-2.0
#include "frontend/Base64.h"

#include <cstdint>

namespace ostrel2::tessoran {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string base64Of(std::string_view bytes) {
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (left > 1) {
            group |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            group |= static_cast<std::uint8_t>(bytes[i + 2]);
        }
        encoded += kAlphabet[group >> 18 & 63];
        encoded += kAlphabet[group >> 12 & 63];
        encoded += left > 1 ? kAlphabet[group >> 6 & 63] : '=';
        encoded += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return encoded;
}

}  // namespace ostrel2::tessoran
