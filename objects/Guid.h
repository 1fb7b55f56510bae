// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <guiddef.h>
#endif

namespace ostrel2 {

#ifdef _WIN32
// On Windows the platform's own GUID is the type every interface identifier
// already uses, so ours is the same type.
using GUID = ::GUID;
#else
// 16 bytes in the usual layout: 32-bit, 16-bit, 16-bit, then 8 bytes.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
#endif

static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

// Two identifiers are the same interface when all 16 bytes agree.
inline bool sameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

}  // namespace ostrel2
