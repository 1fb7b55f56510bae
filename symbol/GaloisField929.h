// SPDX-License-Identifier: Apache-2.0
#pragma once

// Arithmetic in the prime field of 929 elements, in which PDF417 computes its
// check codewords. Every nonzero element is a power of 3 (3 has order 928
// modulo 929), so products and quotients go through a table of powers and a
// table of logarithms.

#include <array>
#include <cstdint>

namespace ostrel2::tessoran {

inline constexpr std::int32_t kFieldSize = 929;
// The number of nonzero elements, and the period of the powers of 3.
inline constexpr std::int32_t kFieldOrder = 928;
// The logarithm that stands for the element 0, which has none; no power of 3
// has it, since exponents are taken modulo 928.
inline constexpr std::int32_t ZERO_LOG = 928;

namespace field_tables {

constexpr std::array<std::int32_t, kFieldOrder + 1> makeExp() {
    std::array<std::int32_t, kFieldOrder + 1> table{};
    std::int32_t power = 1;
    for (std::int32_t& entry : table) {
        entry = power;
        power = power * 3 % kFieldSize;
    }
    return table;
}

constexpr std::array<std::int32_t, kFieldSize + 1> makeLog() {
    std::array<std::int32_t, kFieldSize + 1> table{};
    table[0] = ZERO_LOG;
    table[kFieldSize] = ZERO_LOG;
    std::int32_t power = 1;
    for (std::int32_t exponent = 0; exponent < kFieldOrder; ++exponent) {
        table[power] = exponent;
        power = power * 3 % kFieldSize;
    }
    return table;
}

}  // namespace field_tables

// gfExp[i] = 3^i mod 929 for i = 0 to 928.
inline constexpr std::array<std::int32_t, kFieldOrder + 1> gfExp = field_tables::makeExp();
// gfLog[v] = the i in 0 to 927 with 3^i mod 929 = v, for v = 1 to 928;
// ZERO_LOG for 0 and for 929.
inline constexpr std::array<std::int32_t, kFieldSize + 1> gfLog = field_tables::makeLog();

constexpr std::int32_t gfAdd(std::int32_t a, std::int32_t b) {
    return (a + b) % kFieldSize;
}

constexpr std::int32_t gfSubtract(std::int32_t a, std::int32_t b) {
    return (a - b + kFieldSize) % kFieldSize;
}

constexpr std::int32_t gfMultiply(std::int32_t a, std::int32_t b) {
    if (a == 0 || b == 0) {
        return 0;
    }
    return gfExp[(gfLog[a] + gfLog[b]) % kFieldOrder];
}

// The inverse of a nonzero element.
constexpr std::int32_t gfInverse(std::int32_t a) {
    return gfExp[(kFieldOrder - gfLog[a]) % kFieldOrder];
}

// 3^exponent for any exponent, negative ones included.
constexpr std::int32_t gfPowerOfThree(std::int64_t exponent) {
    return gfExp[((exponent % kFieldOrder) + kFieldOrder) % kFieldOrder];
}

static_assert(gfExp[1] == 3 && gfExp[927] == 310 && gfExp[928] == 1);
static_assert(gfLog[1] == 0 && gfLog[2] == 810 && gfLog[3] == 1);

}  // namespace ostrel2::tessoran
